KWPDEMO ; Seeds the demo ERP database: demo users and known wage types
 Q
 ;
SEED ; mumps -run SEED^KWPDEMO WAGETYPEFILE (lines LA_ID;Name in the server's single-byte set)
 N f,l,eof
 S ^ONLUSR(1,0,"demo")="DEMO`1`Demo Benutzer"
 S ^ONLUSR(1,1,"demo")="FILIALE1`1`Filiale Eins"
 S ^ONLUSR(2,0,"m"_$C(252)_"ller")="MUELLER`2`J"_$C(252)_"rgen M"_$C(252)_"ller"
 S f=$ZCMDLINE Q:f=""
 O f:(READONLY):0 E  W "cannot read ",f,! ZHALT 2
 U f F  R l S eof=$ZEOF Q:eof&(l="")  D  Q:eof
 . Q:$E(l)="#"  Q:l'[";"
 . S ^KWPLA($P(l,";"))=$P(l,";",2,99)
 C f
 Q
