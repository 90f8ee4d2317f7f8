* A macro call generated from a model whose operands go on after a
* comma and a blank is listed line by line, each line substituted on
* its own with its remarks.  A call whose operation is substituted
* keeps its operands, on the lines they were written on.
*! rc 0
L        CSECT
         MACRO
         INNER &A=,&B=,&C=
         DC    C'&A&B&C'
         MEND
         MACRO
         OUTER &X,&M
         INNER A=&X,                    first                          X
               B=&X&X,                  second                         X
               C=3
         &M    A=&X,B=5
         &M    A=&X,                    third                          X
               C=&X.7
         MEND
         OUTER 1,INNER
*! list +         INNER A=1,                     first
*! list           B=11,                    second
*! list           C=3
*! list 000000 F1F1F1F3
*! list 000004 F1F5
*! list           C=17
*! list 000006 F1F1F7
*! obj F1F1F1F3F1F5F1F1F7
         END
