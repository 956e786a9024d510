BRKWPCOM ; Demo stand-in of the ERP's payroll import: takes the opening record and line records
 ; Globals (all records kept byte for byte as received):
 ;   ^KWPIMP          number of the last batch
 ;   ^KWPIMP(b)       opening record of batch b
 ;   ^KWPIMP(b,n)     line record n of batch b, counted from 1 over every line received,
 ;                    refused ones included (a refused line leaves its number empty)
 ;   ^KWPLA(la)       known wage types (seeded from demo/wagetypes.txt)
 ; Like the ERP's own import it works in the user's context: a connection that has not logged
 ; on (PASS^%ONLCL0 sets %ONL("USER")) cannot begin an import.
 ; Test controls (n = line number, 0 = the opening record):
 ;   ^KWPTEST("refuse",n)=text  record n is not taken; the answer is text
 ;   ^KWPTEST("answer",n)=text  record n is taken and stored; the answer is text
 ;   ^KWPTEST("hang",n)=secs    line record n is stored only after secs seconds, as by a
 ;                              server that froze and resumed
 ; The batch of a connection lives in the local %BRKWP, like the ERP's own session context:
 ; %BRKWP the batch number, %BRKWP("n") the last line number, ("per") its period, ("cl",c) its clients.
 Q
 ;
WINKWP(rec) ; Takes one record; answers "" when taken, otherwise a message for the user
 I $L(rec,"`")=4,$E(rec,$L(rec))'="`",$P(rec,"`",2,3)="`" Q $$OPEN(rec)
 Q $$LINE(rec)
 ;
OPEN(rec) ; Opening record: client list, three back-quotes, period
 N per,cl,i,c,b,err
 S per=$P(rec,"`",4),cl=$P(rec,"`",1),err=""
 I $G(%ONL("USER"))="" Q "Kopfsatz: Keine Anmeldung am ERP-Server. Bitte zuerst mit Firma, Filiale und Passwort anmelden."
 I $D(^KWPTEST("refuse",0)) Q ^KWPTEST("refuse",0)
 I '$$PERIOD(per) Q "Kopfsatz: Die Periode """_per_""" ist ungültig (erwartet JJJJMM)."
 F i=1:1:$L(cl,",") S c=$TR($P(cl,",",i)," ") I c'?1.N S err="Kopfsatz: Die Mandantenliste """_cl_""" ist ungültig." Q
 Q:err'="" err
 S b=$I(^KWPIMP),^KWPIMP(b)=rec
 K %BRKWP S %BRKWP=b,%BRKWP("n")=0,%BRKWP("per")=per
 F i=1:1:$L(cl,",") S %BRKWP("cl",+$TR($P(cl,",",i)," "))=""
 Q $G(^KWPTEST("answer",0))
 ;
LINE(rec) ; Line record: 19 fields, each followed by a back-quote. Lean: it runs once per payroll line.
 N b,n,c,la,i,v,bad,t
 S b=$G(%BRKWP) I b="" Q "Es wurde kein Import begonnen: zuerst muss der Kopfsatz gesendet werden."
 S n=%BRKWP("n")+1,%BRKWP("n")=n,t=$D(^KWPTEST)
 I t,$D(^KWPTEST("refuse",n)) Q ^KWPTEST("refuse",n)
 I $L(rec,"`")'=20!($E(rec,$L(rec))'="`") Q "Satz "_n_": 19 Felder mit abschließendem ` erwartet, erhalten "_($L(rec,"`")-1)_"."
 I $P(rec,"`",4)'=%BRKWP("per") Q "Satz "_n_": Die Periode """_$P(rec,"`",4)_""" gehört nicht zum Import der Periode "_%BRKWP("per")_"."
 S c=$P(rec,"`") I c'?1.N!'$D(%BRKWP("cl",+c)) Q "Satz "_n_": Der Mandant """_c_""" gehört nicht zu diesem Import."
 S la=$P(rec,"`",15) I la=""!'$D(^KWPLA(la)) Q "Satz "_n_": Die Lohnart """_la_""" ist unbekannt."
 ; Amounts: empty, or numbers in German notation such as 1234,5 or -12,50
 S bad="" F i=13,16,17,18 S v=$P(rec,"`",i) I v'="",'$$NUMBER(v) S bad=i Q
 I bad Q "Satz "_n_": Der Wert """_$P(rec,"`",bad)_""" in Feld "_bad_" ist keine Zahl."
 I t,$D(^KWPTEST("hang",n)) H ^KWPTEST("hang",n)
 S ^KWPIMP(b,n)=rec
 Q $S(t:$G(^KWPTEST("answer",n)),1:"")
 ;
PERIOD(p) ; Four-digit year and two-digit month
 Q p?6N&($E(p,5,6)>0)&($E(p,5,6)<13)
 ;
NUMBER(v) ; A number in German notation: 1234,5 or -12,50; built-ins only, a pattern costs microseconds
 N t S t=$TR(v,"0123456789")
 I t="" Q 1
 I t="-" Q $E(v)="-"&($L(v)>1)
 I t="," Q ($E(v)'=",")&($E(v,$L(v))'=",")
 I t="-," Q ($E(v)="-")&($E(v,2)'=",")&($E(v,$L(v))'=",")
 Q 0
