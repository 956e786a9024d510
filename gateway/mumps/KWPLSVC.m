KWPLSVC ; KWP line service: runs single M lines sent over TCP, one process per connection
 ; Protocol: PROTOCOL.md beside this routine. Administration: README.md.
 ; Every local of the service starts with %KWP so that lines rarely meet them by chance.
 Q
 ;
START ; Listener: mumps -run START^KWPLSVC CONFIGFILE
 N %KWPC,%KWPH,%KWPK,%KWPP,%KWPD,%KWPE,%KWPJ,%KWPLV
 S $ETRAP="W $ZSTATUS,! ZHALT 2"
 S %KWPC=$ZCMDLINE I %KWPC="" W "usage: mumps -run START^KWPLSVC CONFIGFILE",! ZHALT 2
 I '$$CONF(%KWPC,.%KWPC) W "cannot read configuration ",$ZCMDLINE,! ZHALT 2
 ; The check is called by name: only an entry reference may stand there
 I %KWPC("logoncheck")'?.1"%"1A.AN1"^".1"%"1A.AN D LOG("logoncheck="_$$SHOW(%KWPC("logoncheck"),64)_" is no entry reference LABEL^ROUTINE") ZHALT 2
 ; Every line runs with the rights of this process: root's would be anyone's
 S %KWPE=$$ROOT I %KWPE D LOG($S(%KWPE<0:"cannot tell the account, ",1:"")_"refusing to run as root: start the service under an unprivileged account") ZHALT 6
 D PIDW($G(%KWPC("pidfile")),$J)
 S %KWPD="kwplsn"
 O %KWPD:(LISTEN=%KWPC("port")_":TCP":ATTACH="listener":IOERROR="NOTRAP"):10:"SOCKET"
 E  D LOG("cannot listen on port "_%KWPC("port")) D PIDW($G(%KWPC("pidfile")),"") ZHALT 3
 U %KWPD W /LISTEN(32)
 D LOG("listening on port "_%KWPC("port")_", pid "_$J)
 D LOG("serving connections to "_$$LIST(.%KWPC,"listen")_(" from "_$$LIST(.%KWPC,"allow"))_", at most "_%KWPC("maxconnections")_$S(%KWPC("tls"):", TLS"_$S(%KWPC("tlsclients")="require":" with client certificates",1:""),1:", without TLS"))
 S %KWPE=0,%KWPE("at")=$H,%KWPLV=$ZLEVEL,$ETRAP="D LSNERR^KWPLSVC ZGOTO "_%KWPLV_":ACCEPT^KWPLSVC"
ACCEPT ; The accept loop; a failing client or a failed JOB never ends it
 F  D  Q:$$STOPPED(.%KWPC)
 . K %KWPH S %KWPH=""
 . U %KWPD W /WAIT(1) S %KWPK=$KEY Q:$P(%KWPK,"|")'="CONNECT"
 . S %KWPH=$P(%KWPK,"|",2),%KWPP=$P(%KWPK,"|",3)
 . I '$$ONADDR(%KWPD,%KWPH,.%KWPC) D DROP(%KWPD,%KWPH,"dropped a connection from "_%KWPP_" to an address outside listen=") Q
 . I '$$ALLOWED(%KWPP,.%KWPC) D REFUSE(%KWPD,%KWPH,3,"Verbindung von "_%KWPP_" ist am Zeilendienst nicht erlaubt.","refused peer "_%KWPP) Q
 . I $$LIVE(.%KWPJ,%KWPC("maxconnections"))'<%KWPC("maxconnections") D BUSY(%KWPD,%KWPH,"busy: "_%KWPC("maxconnections")_" connections served, refused peer "_%KWPP) Q
 . U %KWPD:(DETACH=%KWPH) S %KWPH("pool")=1
 . D HANDOFF(.%KWPH,.%KWPC,.%KWPJ) K %KWPH S %KWPH=""
 D LOG("stopped, pid "_$J)
 C %KWPD D PIDW($G(%KWPC("pidfile")),"")
 Q
 ;
LSNERR ; Listener error trap: log, answer and drop the connection at hand; the loop goes on
 S $ECODE=""
 D LOG("listener error: "_$ZSTATUS)
 ; Cleared first: should answering or closing fail, the trap runs again without it
 N h,pool S h=$G(%KWPH),pool=$G(%KWPH("pool")) K %KWPH S %KWPH=""
 I h'="",pool U %KWPD:(ATTACH=h)
 I h'="" D BUSY(%KWPD,h,"")
 ; A storm of errors (a broken machine) must neither fill the disk nor take the CPU
 I $$H(%KWPE("at"))>60 S %KWPE=0,%KWPE("at")=$H
 S %KWPE=%KWPE+1
 I %KWPE=10 D LOG("ten listener errors within a minute: waiting a second after each further one")
 H:%KWPE>10 1
 Q
 ;
H(h) ; Seconds since the $HOROLOG h
 Q $H-h*86400+$P($H,",",2)-$P(h,",",2)
 ;
HANDOFF(h,conf,jobs) ; Starts a serving process with the detached socket as its principal device
 ; The configuration travels in the command line: kwplsvc stop knows the instance's processes by it
 N cmd
 S cmd="SERVE^KWPLSVC:(CMDLINE="""_$$QQ(conf("file"))_""":INPUT=""SOCKET:"_h_""":OUTPUT=""SOCKET:"_h_""":ERROR=""/dev/null""):5"
 J @cmd
 I $T S jobs($ZJOB)=$ZUT C "socketpool":(SOCKET=h) Q
 ; No process (the account's process limit): the client is told, the log says so
 U %KWPD:(ATTACH=h) S h("pool")=0
 D BUSY(%KWPD,h,"cannot start a serving process (JOB timed out; process limit of the account?)")
 Q
 ;
BUSY(dev,h,log) ; Tells a client that no process serves it now, then drops it
 D REFUSE(dev,h,4,"Der Zeilendienst ist ausgelastet und nimmt gerade keine Verbindung an. Bitte später erneut versuchen.",log)
 Q
 ;
REFUSE(dev,h,code,text,log) ; Tells a peer why it is refused, then drops it
 U dev:(SOCKET=h)
 W $$FRAME($$REPLY(code,text,"",""))
 C dev:(SOCKET=h)
 D:log'="" LOG(log)
 Q
 ;
DROP(dev,h,log) ; Closes a connection without a byte
 C dev:(SOCKET=h)
 D LOG(log)
 Q
 ;
LIVE(jobs,max) ; Serving processes still running; forgets those that ended
 N p,n,i,young
 S p="",n=0 F  S p=$O(jobs(p)) Q:p=""  D
 . I $ZGETJPI(p,"ISPROCALIVE") S n=n+1 Q
 . K jobs(p)
 Q:n<max n
 ; At the limit, ended processes that nobody reaped yet (zombies) must not count
 S n=$$RUNNING(.jobs) Q:n<max n
 ; A process started within the last second may serve a client that has already gone (one
 ; that connects and closes at once): a moment for it to end, then the count stands
 S young=0,p="" F  S p=$O(jobs(p)) Q:p=""  I $ZUT-jobs(p)<1000000 S young=1 Q
 I young F i=1:1:6 H 0.025 S n=$$RUNNING(.jobs) Q:n<max
 Q n
 ;
RUNNING(jobs) ; How many of the processes run; forgets the ended ones. The PIDs go to the shell on
 ; its input: any number of them, where a command line is limited to 255 bytes. Shell
 ; built-ins only, no process per PID
 N p,n,io,pipe,old
 S io=$IO,pipe="kwpstat"
 O pipe:(SHELL="/bin/sh":COMMAND="while read p; do s=''; read -r s 2>/dev/null </proc/$p/stat; set -- $s; [ -n ""$s"" ] && [ ""$3"" != Z ] && echo $p; done; echo .")::"PIPE"
 U pipe S p="" F  S p=$O(jobs(p)) Q:p=""  W p,!
 W /EOF
 M old=jobs K jobs S n=0 F  R p:5 Q:p="."!(p="")!$ZEOF  S:$D(old(p)) jobs(p)=old(p),n=n+1
 C pipe U io
 Q n
 ;
ONADDR(dev,h,conf) ; Did the connection arrive at an address the service listens on?
 N a,i,ok
 Q:$D(conf("listen","*")) 1
 S a=$ZSOCKET(dev,"LOCALADDRESS",$ZSOCKET(dev,"INDEX",h))
 S:$E(a,1,7)="::ffff:" a=$E(a,8,$L(a))
 Q $D(conf("listen",a))>0
 ;
ALLOWED(peer,conf) ; Is the peer address on the allow-list? IPv4 may arrive mapped into IPv6
 N a,ok,v4
 S v4=$S($E(peer,1,7)="::ffff:":$E(peer,8,$L(peer)),1:peer),ok=0
 S a="" F  S a=$O(conf("allow",a)) Q:a=""  D  Q:ok
 . I $E(a,$L(a))="*" S a=$E(a,1,$L(a)-1) S ok=($E(peer,1,$L(a))=a)!($E(v4,1,$L(a))=a) S a=a_"*" Q
 . S ok=(peer=a)!(v4=a)
 Q ok
 ;
LIST(conf,key) ; The values of a list key, separated by commas
 N a,s S a="",s="" F  S a=$O(conf(key,a)) Q:a=""  S s=s_$S(s="":"",1:",")_a
 Q s
 ;
ROOT() ; Does this process run as root? 1 yes, 0 no, -1 unknown. GT.M reads /proc files as empty
 N p,e,r,io S io=$IO,p="kwpuid",e="",r=""
 O p:(SHELL="/bin/sh":COMMAND="id -u; id -ru":READONLY)::"PIPE" U p R e:5,r:5 C p U io
 Q:e'?1.N!(r'?1.N) -1
 Q (e=0)!(r=0)
 ;
STOPPED(conf) ; Has an administrator asked for a stop through the stop flag?
 N f S f=$G(conf("stopfile")) Q:f="" 0
 ; Not found, $ZSEARCH starts afresh; found, the listener stops and never asks again
 I $ZSEARCH(f,77)="" Q 0
 ; Read-only: the administrator's flag may belong to another account
 O f:(READONLY) C f:DELETE
 Q 1
 ;
QQ(s) ; Doubles the quotes of a text that goes into a string literal
 N i,o S o=$P(s,"""") F i=2:1:$L(s,"""") S o=o_""""""_$P(s,"""",i)
 Q o
 ;
CONF(file,conf) ; Reads key=value lines; "#" starts a comment. Safe defaults for what is missing.
 N l,k,v,dir,eof,n
 K conf
 I $ZSEARCH(file,78)="" Q 0
 O file:(READONLY) U file F  R l S eof=$ZEOF Q:eof&(l="")  D  Q:eof
 . S l=$TR(l,$C(13,9)," ") F  Q:$E(l)'=" "  S l=$E(l,2,$L(l))
 . Q:l=""  Q:$E(l)="#"
 . S k=$P(l,"="),v=$P(l,"=",2,$L(l,"="))
 . F  Q:$E(k,$L(k))'=" "  S k=$E(k,1,$L(k)-1)
 . F  Q:$E(v)'=" "  S v=$E(v,2,$L(v))
 . F  Q:$E(v,$L(v))'=" "  S v=$E(v,1,$L(v)-1)
 . I k="allow"!(k="listen") S conf(k,v)="" Q
 . I k="namespace" S conf("ns",$P(v,"="))=$P(v,"=",2,$L(v,"=")) Q
 . S conf(k)=v
 C file
 ; Without allow and listen lines: loopback only
 I $D(conf("allow"))=0 S conf("allow","127.0.0.1")="",conf("allow","::1")=""
 I $D(conf("listen"))=0 S conf("listen","127.0.0.1")=""
 S dir=$P(file,"/",1,$L(file,"/")-1)
 S:$G(conf("port"))="" conf("port")=9200
 S:$G(conf("workdir"))="" conf("workdir")=$S(dir="":".",1:dir)
 S:$G(conf("logfile"))="" conf("logfile")=conf("workdir")_"/kwplsvc.log"
 S:$G(conf("logoncheck"))="" conf("logoncheck")="PASS^%ONLCL0"
 F k="maxconnections:64","greettimeout:10","idletimeout:0","logonfailures:5","resumetime:43200" S n=$P(k,":"),v=$G(conf(n)) S conf(n)=$S(v?1.N.1(1".".N):+v,1:$P(k,":",2))
 S conf("tls")=$G(conf("tlscert"))'="",conf("tlsclients")=$G(conf("tlsclients"))
 S conf("file")=file
 Q 1
 ;
PIDW(file,pid) ; Writes the PID file, or removes it when pid is empty
 Q:file=""
 I pid="" O file C file:DELETE Q
 O file:(NEWVERSION) U file W pid,! C file
 Q
 ;
LOG(text) ; Appends one line with time and PID to the service's own log file
 N io,f,c,i S io=$IO,f=$G(%KWPC("logfile")) Q:f=""
 ; Last defence: nothing may break the line (a peer's bytes go through SHOW first)
 S c="" F i=0:1:31,127 S c=c_$C(i)
 O f:(APPEND) U f W $ZDATE($H,"YEAR-MM-DD 24:60:SS")," [",$J,"] ",$TR(text,c),! C f
 U io
 Q
 ;
SHOW(s,max) ; What a peer sent, for the log: at most max bytes, quoted, every byte outside
 ; printable ASCII (and the backslash and quote) as \xNN, and the full length when cut
 N o,i,c,b
 S o="" F i=1:1:$L(s) Q:i>max  S c=$E(s,i),b=$A(c) S o=o_$S(b<32!(b>126)!(c="\")!(c=""""):"\x"_$E("0123456789abcdef",b\16+1)_$E("0123456789abcdef",b#16+1),1:c)
 Q """"_o_""""_$S($L(s)>max:"... ("_$L(s)_" bytes)",1:"")
 ;
SERVE ; Serving process, JOBbed by the listener with the configuration file as its command line
 N %KWPC,%KWPS
 S $ETRAP="D FATAL^KWPLSVC"
 I '$$CONF($ZCMDLINE,.%KWPC) ZHALT 2
 D OPENSOCK
 ; Handshake and greeting within the greeting time, whatever the peer does: the handshake's
 ; own time-out never ends a handshake the peer does not begin
 S $ZTIMEOUT=%KWPC("greettimeout")_":D LATE^KWPLSVC"
 I %KWPC("tls"),'$$TLS D CLOSE ZHALT 0
 I '$$GREET D CLOSE ZHALT 0
 S $ZTIMEOUT=-1
 S %KWPS("lv")=$ZLEVEL,$ETRAP="ZGOTO "_$ZLEVEL_":FAIL^KWPLSVC"
NEXT ; Reads and answers requests; ends the process when the client goes away
 F  D ONE Q:%KWPS("end")
 I %KWPS("end")=2 D LOG("closed the connection of "_%KWPS("peer")_": idle for "_%KWPC("idletimeout")_" s")
 D CLOSE
 ZHALT 0
 ;
ONE ; Reads one request and answers it; the path every line takes, so kept lean
 N %KWPQ,%KWPP,%KWPO
 S %KWPQ=$$RDFRAME(%KWPS("idle")) Q:%KWPS("end")
 ; The first byte is the kind of request: "X" a line, "F" a record in flight, "L" a log-on,
 ; "Q" a run's progress, "T" and "R" a resume token
 I $E(%KWPQ)'="X" D KIND(.%KWPQ) Q
 I "01"'[$E(%KWPQ,2)!($L(%KWPQ)<2) D SEND($$REPLY(1,"Ungültige Anfrage an den Zeilendienst: erwartet wird ""X"", eine Ziffer 0 oder 1 und die Zeile.","","")) Q
 ; No line runs before a log-on
 I '%KWPS("auth") D SEND($$REPLY(5,"Nicht angemeldet: der Zeilendienst führt erst nach einer erfolgreichen Anmeldung Zeilen aus. Die Zeile wurde nicht ausgeführt.","","")) Q
 S %KWPS("capnow")=$E(%KWPQ,2)
 ; The capture file stays open (OPEN of an open device costs nothing); opened anew only after
 ; a line closed it or failed
 I %KWPS("capnow") O %KWPS("cap"):(NEWVERSION:STREAM:NOWRAP:RECORDSIZE=1048576) U %KWPS("cap")
 E  U "/dev/null"
 S %KWPP=$$RUN($S(%KWPS("msm"):$$MSMZV($E(%KWPQ,3,$L(%KWPQ)),%KWPS("zv")),1:$E(%KWPQ,3,$L(%KWPQ))),%KWPS("zv"))
 S %KWPO=$S(%KWPS("capnow"):$$CAPTURED(%KWPS("cap"),%KWPS("capr")),1:"")
 D:'$$SOCKOK LOST
 ; The reply of REPLY(0,"",P0,output) in its frame, built in one variable and written once
 S %KWPQ=$E(100000033+$L(%KWPP)+$L(%KWPO),2,9)_"00000001000000000"_$E(100000000+$L(%KWPP),2,9)_%KWPP_$E(100000000+$L(%KWPO),2,9)_%KWPO
 U %KWPS("sock") W %KWPQ
 Q
 ;
KIND(q) ; The requests other than a line
 I $E(q)="F" D FLIGHT(q) Q
 I $E(q)="L" D LOGON(.q) Q
 I $E(q)="Q" D PROGRESS(q) Q
 I $E(q)="T" D TOKEN(q) Q
 I $E(q)="R" D RESUME(q) Q
 D SEND($$REPLY(1,"Ungültige Anfrage an den Zeilendienst: unbekannte Art """_$$SHOW($E(q),1)_""".","",""))
 Q
 ;
FLIGHT(q) ; A record of a run in flight: "F", capture digit, the run's id (eight length digits and
 ; its bytes), the record's number (eight digits, 0 the opening record) and the line. Records run
 ; in order, each at most once; from the first one not taken (an answer, a failed line) or a
 ; stop through PROGRESS on, the run's records are skipped (code 6) unrun. The progress record
 ; ^KWPRUN(who,run) is pid`last taken`begun`state`start: "begun" is set before the line runs and
 ; cleared after, so that only a record whose process died in between is uncertain.
 N n,run,seq,who,r
 S n=$E(q,3,10),run=$E(q,11,10+n),seq=$E(q,11+n,18+n)
 I "01"'[$E(q,2)!($E(q,2)="")!(n'?8N)!(seq'?8N)!(run="") D SEND($$REPLY(1,"Ungültige Anfrage an den Zeilendienst: erwartet wird ""F"", eine Ziffer 0 oder 1, die Kennung des Laufs, acht Ziffern der Satznummer und die Zeile.","","")) Q
 I '%KWPS("auth") D SEND($$REPLY(5,"Nicht angemeldet: der Zeilendienst führt erst nach einer erfolgreichen Anmeldung Zeilen aus. Die Zeile wurde nicht ausgeführt.","","")) Q
 S seq=+seq,who=%KWPS("who")
 ; The opening record begins the run; the log-on keeps the progress of its last run only
 I seq=0 K ^KWPRUN(who) S ^KWPRUN(who,run)=$J_"`-1```"_$H,^KWPRUN(who,run,"go")="",%KWPS("run")=run,%KWPS("seq")=-1
 I run'=%KWPS("run")!(seq'=(%KWPS("seq")+1)) D SKIP Q
 ; Begun first, then the stop asked: a PROGRESS between the two sees the record begun
 S $P(^KWPRUN(who,run),"`",3)=seq
 I '$D(^KWPRUN(who,run,"go")) S $P(^KWPRUN(who,run),"`",3,4)="`S",%KWPS("run")="" D SKIP Q
 S %KWPS("seq")=seq,%KWPS("fly")=1,%KWPS("capnow")=$E(q,2)
 I %KWPS("capnow") O %KWPS("cap"):(NEWVERSION:STREAM:NOWRAP:RECORDSIZE=1048576) U %KWPS("cap")
 E  U "/dev/null"
 S %KWPP=$$RUN($S(%KWPS("msm"):$$MSMZV($E(q,19+n,$L(q)),%KWPS("zv")),1:$E(q,19+n,$L(q))),%KWPS("zv"))
 S %KWPO=$S(%KWPS("capnow"):$$CAPTURED(%KWPS("cap"),%KWPS("capr")),1:""),%KWPS("fly")=0
 D:'$$SOCKOK LOST
 I $S(%KWPS("capnow"):%KWPO,1:%KWPP)="" S $P(^KWPRUN(who,run),"`",2,3)=seq_"`"
 E  S $P(^KWPRUN(who,run),"`",3,4)="`R",%KWPS("run")="" K ^KWPRUN(who,run,"go")
 D SEND($$REPLY(0,"",%KWPP,%KWPO))
 Q
 ;
SKIP ; A record of a run that stopped before it: not run
 D SEND($$REPLY(6,"Übersprungen: der Lauf endete vor diesem Satz; er wurde nicht ausgeführt.","",""))
 Q
 ;
PROGRESS(q) ; "Q" and a run's id: how far the run of this log-on got, as last taken`begun`state
 ; (empty when the log-on has no such run). Stops the run first, so that no record of it runs
 ; after the answer; waits up to two seconds for a record begun by a live process to end.
 N run,who,r,i
 S run=$E(q,2,$L(q))
 I '%KWPS("auth"),'%KWPS("resumed") D SEND($$REPLY(5,"Nicht angemeldet: der Zeilendienst nennt den Stand eines Laufs nur nach einer erfolgreichen Anmeldung.","","")) Q
 S who=%KWPS("who"),r=$S(run="":"",1:$G(^KWPRUN(who,run)))
 I r="" D SEND($$REPLY(0,"","","")) Q
 K ^KWPRUN(who,run,"go")
 F i=1:1:40 S r=^KWPRUN(who,run) Q:$P(r,"`",3)=""  Q:'$ZGETJPI($P(r,"`"),"ISPROCALIVE")  H 0.05
 D SEND($$REPLY(0,"",$P(r,"`",2,4),""))
 Q
 ;
RUN(%KWPL,%KWPZV) ; Runs the line with every service local hidden; returns P0
 N %KWPC,%KWPS,%KWPF,%KWPQ,%KWPP,%KWPO
 X %KWPL
 Q $G(P0)
 ;
LOGON(q) ; A log-on request: "L", then company, branch and password, each as eight length digits
 ; and its bytes. They go to the configured check as values; the connection counts as logged
 ; on when the first "`" piece of the check's answer is not empty. Too many failures in a row
 ; end the connection.
 N c,b,w,n,m,p0,out,ok
 ; Three fields, unrolled: the request is as cheap as the check line it replaces
 S n=$E(q,2,9),c=$E(q,10,9+n),m=10+n,n=$E(q,m,m+7),b=$E(q,m+8,m+7+n),m=m+8+n,n=$E(q,m,m+7),w=$E(q,m+8,m+7+n)
 I $E(q,2,9)'?8N!($E(q,10+$L(c),17+$L(c))'?8N)!(n'?8N)!($L(q)'=(m+7+n)) D SEND($$REPLY(1,"Ungültige Anmeldung: erwartet werden ""L"" und drei Felder (Firma, Filiale, Passwort) aus je acht Längenziffern und den Bytes.","","")) Q
 ; What the check writes is its answer for persona M only, as with an answering line
 S %KWPS("auth")=0,%KWPS("resumed")=0,%KWPS("fails")=%KWPS("fails")+1,%KWPS("capnow")=%KWPS("msm")
 I %KWPS("msm") O %KWPS("cap"):(NEWVERSION:STREAM:NOWRAP:RECORDSIZE=1048576) U %KWPS("cap")
 E  U "/dev/null"
 S p0=$$CHECK(c,b,w,%KWPS("check"),%KWPS("zv"))
 S out=$S(%KWPS("msm"):$$CAPTURED(%KWPS("cap"),%KWPS("capr")),1:""),%KWPS("capnow")=0
 D:'$$SOCKOK LOST
 S ok=$P($S(%KWPS("msm"):out,1:p0),"`")'=""
 ; The log-on's runs in flight are kept under company, branch and user
 S:ok %KWPS("auth")=1,%KWPS("fails")=0,%KWPS("who")=c_"`"_b_"`"_$P($S(%KWPS("msm"):out,1:p0),"`")
 ; The reply of REPLY(0,"",p0,out) in its frame, built in one variable and written once
 S p0=$E(100000033+$L(p0)+$L(out),2,9)_"00000001000000000"_$E(100000000+$L(p0),2,9)_p0_$E(100000000+$L(out),2,9)_out
 U %KWPS("sock") W p0
 Q:ok
 D:%KWPS("fails")'<%KWPC("logonfailures") TOOMANY
 Q
 ;
TOOMANY ; Too many failed log-ons in a row (password or token): the connection ends
 D LOG("closed the connection of "_%KWPS("peer")_": "_%KWPS("fails")_" failed log-ons in a row") S %KWPS("end")=1
 Q
 ;
TOKEN(q) ; "T" and a resume token, 32 hexadecimal digits in lower case that the client chose at
 ; random after its log-on. A fresh connection may log on with it once (RESUME) to ask how far
 ; this log-on's run got. Kept as ^KWPTOK(SHA-256 of the token)=expiry`company`branch`user,
 ; expiry in seconds of $ZUT, resumetime= seconds ahead; the token itself is kept nowhere.
 ; A connection keeps one token: a new one replaces its earlier one.
 N t,h,k,now
 S t=$E(q,2,$L(q))
 I $L(t)'=32!($TR(t,"0123456789abcdef")'="") D SEND($$REPLY(1,"Ungültige Anfrage an den Zeilendienst: erwartet wird ""T"" und ein Schlüssel aus 32 Hexadezimalziffern.","","")) Q
 I '%KWPS("auth") D SEND($$REPLY(5,"Nicht angemeldet: der Zeilendienst nimmt einen Schlüssel zur Wiederaufnahme nur nach einer erfolgreichen Anmeldung an.","","")) Q
 S h=$$SHA(t) I h="" D SEND($$REPLY(1,"Der Zeilendienst kann den Schlüssel nicht ablegen (sha256sum fehlt?).","","")) Q
 ; Expired tokens of any log-on go now; nothing else removes a token that is never used
 S now=$ZUT\1000000,k="" F  S k=$O(^KWPTOK(k)) Q:k=""  I +^KWPTOK(k)<now K ^KWPTOK(k)
 K:%KWPS("tok")'="" ^KWPTOK(%KWPS("tok"))
 S ^KWPTOK(h)=(now+%KWPC("resumetime"))_"`"_%KWPS("who"),%KWPS("tok")=h
 D SEND($$REPLY(0,"","",""))
 Q
 ;
RESUME(q) ; "R" and a resume token: logs the connection on as the log-on that registered it, for
 ; PROGRESS of that log-on's runs only: no line and no record runs. The token is used up. The
 ; reply is that of a log-on whose answer is the user id (P0, or written for persona M); an
 ; unknown, malformed or expired token gets an empty answer and counts as a failed log-on.
 N t,h,r,ok
 S t=$E(q,2,$L(q))
 S %KWPS("auth")=0,%KWPS("resumed")=0,%KWPS("fails")=%KWPS("fails")+1
 S h=$S($L(t)=32&($TR(t,"0123456789abcdef")=""):$$SHA(t),1:""),r=$S(h="":"",1:$G(^KWPTOK(h)))
 S ok=0 I r'="" K ^KWPTOK(h) S ok=+r'<($ZUT\1000000)
 ; The user id cannot hold a back-quote: it is the last piece, company and branch before it
 I ok S %KWPS("resumed")=1,%KWPS("fails")=0,%KWPS("who")=$P(r,"`",2,$L(r,"`")),%KWPS("run")=""
 S r=$S(ok:$P(r,"`",$L(r,"`")),1:"")
 D SEND($$REPLY(0,"",$S(%KWPS("msm"):"",1:r),$S(%KWPS("msm"):r,1:"")))
 D:'ok&(%KWPS("fails")'<%KWPC("logonfailures")) TOOMANY
 Q
 ;
SHA(t) ; The SHA-256 of a text as 64 hexadecimal digits, empty when it cannot be had. The text
 ; goes through a pipe, so that no command line shows it
 N io,p,h S io=$IO,p="kwpsha",h=""
 O p:(SHELL="/bin/sh":COMMAND="sha256sum 2>/dev/null")::"PIPE" U p W t W /EOF R h:5 C p U io
 S h=$E(h,1,64)
 Q $S($L(h)=64&($TR(h,"0123456789abcdef")=""):h,1:"")
 ;
CHECK(%KWPA,%KWPB,%KWPW,%KWPR,%KWPZV) ; Calls the log-on check with the values; returns its P0
 N %KWPC,%KWPS,%KWPF,%KWPQ,%KWPP,%KWPO
 K P0
 ; Only the configured entry reference (checked at start) and local names form the call
 X %KWPR
 Q $G(P0)
 ;
FAIL ; Error trap of a line: the stack is unwound to the request loop, the error answered
 S $ECODE=""
 ; Should the answer fail too, the line closed or took the socket: the process ends
 S $ETRAP="D FATAL^KWPLSVC"
 I $G(%KWPS("capnow")) C %KWPS("cap") C %KWPS("capr")
 ; A record in flight that failed ends its run: the records after it are skipped
 I %KWPS("fly") S %KWPS("fly")=0 S $P(^KWPRUN(%KWPS("who"),%KWPS("run")),"`",3,4)="`E" K ^KWPRUN(%KWPS("who"),%KWPS("run"),"go") S %KWPS("run")=""
 D:'$$SOCKOK LOST
 D SEND($$REPLY($S(+$ZSTATUS:+$ZSTATUS,1:1),$ZSTATUS,"",""))
 S $ETRAP="ZGOTO "_%KWPS("lv")_":FAIL^KWPLSVC"
 G NEXT
 ;
LATE ; The greeting time ran out before TLS and greeting were through: the process ends
 S $ETRAP="ZHALT 0"
 D LOG("closed the connection of "_%KWPS("peer")_": no "_$S(%KWPC("tls"):"TLS handshake and ",1:"")_"greeting within "_%KWPC("greettimeout")_" s")
 D CLOSE
 ZHALT 0
 ;
SOCKOK() ; Is the connection's socket still where the service left it?
 Q $ZSOCKET(%KWPS("sock"),"INDEX",%KWPS("h"))=0
 ;
LOST ; A line closed or took the connection's socket: nothing can answer, the process ends
 D LOG("a line closed or took the socket of "_%KWPS("peer")_"; its process ends")
 ZHALT 5
 ;
FATAL ; Error trap outside of lines: log it and end this connection's process
 S $ETRAP="ZHALT 5"
 D LOG("serving process error, connection closed: "_$ZSTATUS)
 ZHALT 5
 ;
OPENSOCK ; Moves the socket off the principal device, so a line that USEs $P cannot reach it
 N zs,i,h,p
 ZSHOW "D":zs
 S h="" F i=1:1 Q:'$D(zs("D",i))  I zs("D",i)["SOCKET[0]=" S h=$P($P(zs("D",i),"SOCKET[0]=",2)," "),p=$P($P(zs("D",i),"REMOTE=",2)," ") Q
 ; The check's call, an entry reference as the listener checked it at start (the file may have
 ; changed since: anything else logs nobody on)
 S %KWPS("sock")="kwpsock",%KWPS("end")=0,%KWPS("auth")=0,%KWPS("fails")=0,%KWPS("check")=$S(%KWPC("logoncheck")?.1"%"1A.AN1"^".1"%"1A.AN:"D "_%KWPC("logoncheck")_"(%KWPA,%KWPB,%KWPW)",1:"S P0="""""),%KWPS("msm")=0,%KWPS("zv")="",%KWPS("cap")="",%KWPS("peer")=$P(p,"@"),%KWPS("h")=h,%KWPS("fly")=0,%KWPS("run")="",%KWPS("who")="",%KWPS("resumed")=0,%KWPS("tok")=""
 S %KWPS("idle")=$S(%KWPC("idletimeout")>0:%KWPC("idletimeout"),1:"")
 U $P:(DETACH=h)
 O %KWPS("sock")::0:"SOCKET"
 U %KWPS("sock"):(ATTACH=h)
 U %KWPS("sock"):(NODELIMITER:ZNODELAY:WIDTH=1048576:NOWRAP:IOERROR="NOTRAP")
 O "/dev/null" U "/dev/null":(NOWRAP)
 Q
 ;
TLS() ; Switches the connection to TLS within the greeting time; false (logged) when that fails
 U %KWPS("sock") W /TLS("server",%KWPC("greettimeout"),"kwplsvc")
 I $T,'$DEVICE Q 1
 D LOG("TLS handshake with "_%KWPS("peer")_" failed: "_$S($T:$$SHOW($DEVICE,200),1:"no handshake within "_%KWPC("greettimeout")_" s"))
 Q 0
 ;
CLOSE ; Ends the connection and removes this process's capture file, which also marks it alive
 C %KWPS("sock")
 I %KWPS("cap")'="" O %KWPS("cap") C %KWPS("cap"):DELETE
 Q
 ;
GREET() ; Reads the greeting within the greeting time; maps the namespace to its global directory
 N g,ns,gld,p
 S g=$$RDFRAME(%KWPC("greettimeout"))
 I %KWPS("end")=2 D LOG("closed the connection of "_%KWPS("peer")_": no greeting within "_%KWPC("greettimeout")_" s")
 Q:%KWPS("end") 0
 S p=$E(g,5),ns=$E(g,6,$L(g))
 I $E(g,1,4)'="KWP1"!("CM"'[p)!(p="") D LOG("unknown greeting "_$$SHOW(g,64)_" from "_%KWPS("peer")) D SEND($$REPLY(1,"Unbekannte Begrüßung: der Client spricht nicht das Protokoll KWP1.","","")) Q 0
 S gld=$S(ns="":"",1:$G(%KWPC("ns",ns)))
 I gld="" D LOG("unknown namespace "_$$SHOW(ns,64)_" from "_%KWPS("peer")) D SEND($$REPLY(2,"Der Namensraum """_ns_""" ist auf diesem Server nicht eingerichtet.","","")) Q 0
 S $ZGBLDIR=gld
 S %KWPS("msm")=(p="M"),%KWPS("zv")=$S(p="M":"MSM-Persona des KWP-Zeilendienstes auf "_$ZVERSION,1:$ZVERSION)
 S %KWPS("cap")=%KWPC("workdir")_"/kwplsvc-"_$J_".out"
 ; Read back through a device of its own: one open for both would read line by line
 S %KWPS("capr")=%KWPC("workdir")_"/./kwplsvc-"_$J_".out"
 O %KWPS("cap"):(NEWVERSION:STREAM:NOWRAP:RECORDSIZE=1048576)
 ; P0 names the request kinds this service knows, separated by blanks; clients skip unknown ones
 D SEND($$REPLY(0,"","logon line flight resume",""))
 Q 1
 ;
RDFRAME(t) ; One frame's payload, within t seconds when t is not empty. %KWPS("end") is set when
 ; the client went away or broke the framing (1) or the time ran out (2)
 N len
 S len=$$RDN(8,t) Q:%KWPS("end") ""
 I len'?8N D SEND($$REPLY(1,"Ungültiger Rahmen: die Länge muss aus acht Ziffern bestehen.","","")) S %KWPS("end")=1 Q ""
 I +len>1048576 D SEND($$REPLY(1,"Ungültiger Rahmen: mehr als 1048576 Bytes.","","")) S %KWPS("end")=1 Q ""
 Q $$RDN(+len,t)
 ;
RDN(n,t) ; Exactly n bytes from the socket, however the network splits them; within t seconds if given
 N x,y,e
 Q:n=0 ""
 U %KWPS("sock")
 I t="" R x#n I $L(x)<n F  Q:$ZEOF!($L(x)'<n)!(+$DEVICE)  R y#(n-$L(x)) S x=x_y
 I t'="" S e=$ZUT+(t*1E6) R x#n:t I $L(x)<n F  Q:$ZEOF!($L(x)'<n)!(+$DEVICE)  S t=e-$ZUT/1E6 Q:t'>0  R y#(n-$L(x)):t S x=x_y
 I $L(x)<n S %KWPS("end")=$S($ZEOF!(+$DEVICE):1,1:2)
 Q x
 ;
SEND(reply) ; One reply frame, written at once: each WRITE argument would be a packet of its own
 U %KWPS("sock") W $$FRAME(reply)
 Q
 ;
REPLY(code,text,p0,out) ; The four reply fields
 Q $$FRAME(code)_$$FRAME(text)_$$FRAME(p0)_$$FRAME(out)
 ;
FRAME(s) ; Eight length digits, then the bytes
 Q $E(100000000+$L(s),2,9)_s
 ;
CAPTURED(f,r) ; What the line wrote into the capture file f, byte for byte, read through r; empties f
 N out,y
 U f:FLUSH
 O r:(READONLY:FIXED:RECORDSIZE=65536) U r:REWIND S out="" F  R y#65536 S out=out_y Q:$ZEOF
 U f I out'=""!$ZKEY U f:(REWIND:TRUNCATE)
 Q out
 ;
MSMZV(line,zv) ; The line with $ZV/$ZVERSION outside string literals replaced by the persona's text
 N u,p,s,e,last,out,lit
 S u=$ZCONVERT(line,"U") Q:u'["$ZV" line
 S lit=""""_zv_"""",out="",last=1,p=1
 F  S p=$F(u,"$ZV",p) Q:'p  S s=p-3 I $E(u,s-1)'="$",$L($E(line,1,s-1),"""")#2 D
 . F e=p:1 Q:$E(u,e)'?1A
 . Q:$E("ERSION",1,e-p)'=$E(u,p,e-1)
 . S out=out_$E(line,last,s-1)_lit,last=e
 Q out_$E(line,last,$L(line))
