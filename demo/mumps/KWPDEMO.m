KWPDEMO ; Seeds the demo ERP database: demo users, known wage types, their categories
 Q
 ;
SEED ; mumps -run SEED^KWPDEMO WAGETYPEFILE (lines LA_ID;Name in the server's single-byte set)
 N f,l,eof
 S ^ONLUSR(1,0,"demo")="DEMO`1`Demo Benutzer"
 S ^ONLUSR(1,1,"demo")="FILIALE1`1`Filiale Eins"
 S ^ONLUSR(2,0,"m"_$C(252)_"ller")="MUELLER`2`J"_$C(252)_"rgen M"_$C(252)_"ller"
 D:'$D(^PERSP(1,20)) CATEG
 S f=$ZCMDLINE Q:f=""
 O f:(READONLY):0 E  W "cannot read ",f,! ZHALT 2
 U f F  R l S eof=$ZEOF Q:eof&(l="")  D  Q:eof
 . Q:$E(l)="#"  Q:l'[";"
 . S ^KWPLA($P(l,";"))=$P(l,";",2,99)
 C f
 Q
 ;
CATEG ; The demo wage types' count`amount categories; a wage type left out has none (150)
 N l,i,e
 S l="100=`1;101=`1;105=`1;110=12`5;111=14`7;112=`7;115=`7;120=`2;121=`3;130=`8;131=`9;"
 S l=l_"140=`15;141=`16;160=`17;170=`17;180=`1;200=`10;210=`10;220=`10"
 F i=1:1:$L(l,";") S e=$P(l,";",i),^PERSP(1,20,$P(e,"="))=$P(e,"=",2)
 Q
