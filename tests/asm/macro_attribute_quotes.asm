* Which quotes are attribute quotes depends on where they stand: in a
* prototype's default value after I, L, S, T only (K'X opens a string
* that never closes); in the split of a sublist after I, K, L, S, T, not
* N, so (N'A,B) is one piece.
*! rc 12
P        CSECT
         MACRO
         M1    &A=K'X
         MEND
*! list KZM138E
         MACRO
         M2    &A=L'X
&K       SETA  K'&A
         DC    AL1(&K)
         MEND
         MACRO
         M3    &P
&N       SETA  N'&P
&K       SETA  K'&P(1)
         DC    AL1(&N,&K)
         MEND
         M2
*! list 000000 03
         M3    (N'A,B)
*! list 000001 0105
         M3    (K'A,B)
*! list 000003 0203
         M3    (I'A,B)
*! list 000005 0203
         END
