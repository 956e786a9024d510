BRKWPCOM ; Demo stand-in of the ERP's payroll import: takes the opening record and line records
 ; Globals (all records kept byte for byte as received):
 ;   ^KWPIMP          number of the last batch
 ;   ^KWPIMP(b)       opening record of batch b
 ;   ^KWPIMP(b,n)     line record n of batch b, counted from 1 over every line received
 ;   ^KWPIMP(b,"n")   line records received in batch b, refused ones included
 ;   ^KWPLA(la)       known wage types (seeded from demo/wagetypes.txt)
 ; Test controls (n = line number, 0 = the opening record):
 ;   ^KWPTEST("refuse",n)=text  record n is not taken; the answer is text
 ;   ^KWPTEST("answer",n)=text  record n is taken and stored; the answer is text
 ; The batch of a connection lives in the local %BRKWP, like the ERP's own session context.
 Q
 ;
WINKWP(rec) ; Takes one record; answers "" when taken, otherwise a message for the user
 I $L(rec,"`")=4,$E(rec,$L(rec))'="`",$P(rec,"`",2,3)="`" Q $$OPEN(rec)
 Q $$LINE(rec)
 ;
OPEN(rec) ; Opening record: client list, three back-quotes, period
 N per,cl,i,c,b,err
 S per=$P(rec,"`",4),cl=$P(rec,"`",1),err=""
 I $D(^KWPTEST("refuse",0)) Q ^KWPTEST("refuse",0)
 I '$$PERIOD(per) Q "Kopfsatz: Die Periode """_per_""" ist ungültig (erwartet JJJJMM)."
 F i=1:1:$L(cl,",") S c=$TR($P(cl,",",i)," ") I c'?1.N S err="Kopfsatz: Die Mandantenliste """_cl_""" ist ungültig." Q
 Q:err'="" err
 S b=$I(^KWPIMP),^KWPIMP(b)=rec,^KWPIMP(b,"n")=0,%BRKWP=b
 Q $G(^KWPTEST("answer",0))
 ;
LINE(rec) ; Line record: 19 fields, each followed by a back-quote
 N b,n,f,per,cl,la,i,bad
 S b=$G(%BRKWP) I b="" Q "Es wurde kein Import begonnen: zuerst muss der Kopfsatz gesendet werden."
 S n=$I(^KWPIMP(b,"n"))
 I $D(^KWPTEST("refuse",n)) Q ^KWPTEST("refuse",n)
 S f=$L(rec,"`")-1
 I f'=19!($E(rec,$L(rec))'="`") Q "Satz "_n_": 19 Felder mit abschließendem ` erwartet, erhalten "_f_"."
 S per=$P(^KWPIMP(b),"`",4),cl=$P(^KWPIMP(b),"`",1)
 I $P(rec,"`",4)'=per Q "Satz "_n_": Die Periode """_$P(rec,"`",4)_""" gehört nicht zum Import der Periode "_per_"."
 I '$$INLIST($P(rec,"`",1),cl) Q "Satz "_n_": Der Mandant """_$P(rec,"`",1)_""" gehört nicht zu diesem Import."
 S la=$P(rec,"`",15) I la=""!'$D(^KWPLA(la)) Q "Satz "_n_": Die Lohnart """_la_""" ist unbekannt."
 S bad="" F i=13,16,17,18 I '$$NUMBER($P(rec,"`",i)) S bad=i Q
 I bad Q "Satz "_n_": Der Wert """_$P(rec,"`",bad)_""" in Feld "_bad_" ist keine Zahl."
 S ^KWPIMP(b,n)=rec
 Q $G(^KWPTEST("answer",n))
 ;
PERIOD(p) ; Four-digit year and two-digit month
 Q p?6N&($E(p,5,6)>0)&($E(p,5,6)<13)
 ;
INLIST(c,list) ; Is client c one of the clients of the list "3, 999, 1000"?
 N i,ok S ok=0
 Q:c'?1.N 0
 F i=1:1:$L(list,",") I +$TR($P(list,",",i)," ")=+c S ok=1 Q
 Q ok
 ;
NUMBER(v) ; Empty, or a number in German notation: 1234,5 or -12,50
 Q (v="")!(v?.1"-"1.N.1(1","1.N))
