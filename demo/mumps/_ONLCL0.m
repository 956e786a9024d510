%ONLCL0 ; Demo stand-in of the ERP's log-on routine
 ; Demo users: ^ONLUSR(company,branch,password)=userid`(unused)`user name (seeded by SEED^KWPDEMO)
 Q
 ;
PASS(firma,fil,pw) ; Checks a log-on; P0 = userid`(unused)`name`fiscal year, or "" when refused
 ; It sets the ERP's log-on context: % holds the back-quote, %ONL the company, branch, user.
 N u
 ; The last arguments received, byte for byte, for tests of what reaches the server
 S ^ONLLAST("firma")=firma,^ONLLAST("fil")=fil,^ONLLAST("pw")=pw
 S %="`",P0=""
 S u=$S(firma=""!(fil="")!(pw=""):"",1:$G(^ONLUSR(firma,fil,pw)))
 I $P(u,"`")'="" S P0=$P(u,"`",1,3)_"`"_$E($ZDATE($H,"YEAR"),1,4),%ONL("FIRMA")=firma,%ONL("FIL")=fil,%ONL("USER")=$P(u,"`")
 ; Answers like an answering line; the line service's MSM persona shows its version in %KWPZV
 W:$G(%KWPZV,$ZV)["MSM" P0
 Q
