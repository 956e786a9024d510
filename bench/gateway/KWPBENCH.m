KWPBENCH ; Benchmark helpers of the line service, loaded only by bench_gateway
 Q
 ;
BENCH ; mumps -run BENCH^KWPBENCH N: XECUTEs N unique WINKWP record lines in-process, prints us per line
 N n,i,t0,t1,line,us,P0,%BRKWP
 S n=+$ZCMDLINE S:n<1 n=10000
 S P0=$$WINKWP^BRKWPCOM("1, 1000```202401")
 I P0'="" W "opening record refused: ",P0,! Q
 S t0=$$US
 F i=1:1:n S line="S P0=$$WINKWP^BRKWPCOM("""_$$SAMPLE(i)_""") W:$F($ZV,""MSM"") P0" X line
 S t1=$$US,us=(t1-t0)/n
 W "lines ",n,", us per line ",$J(us,0,2),", lines per second ",$S(us:1000000\us,1:"inf"),!
 Q
 ;
SAMPLE(i) ; A unique line record of about 200 bytes for client 1, period 202401
 Q "1`"_(10000+i)_"`1`202401``1`01.03.1980`A`M`1`01.01.2020``12,5`0`100`"_(i#100+1)_",5`1234,56`-"_(i#1000)_",50`"_(i*7+1234567890)_$J("",96)_"`"
 ;
US() ; Microseconds since midnight
 N h S h=$ZH
 Q $P(h,",",2)*1000000+$P(h,",",3)
