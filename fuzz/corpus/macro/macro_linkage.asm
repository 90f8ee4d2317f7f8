* Library macros for program linkage, with an inner save area labelled
* by &SYSNDX and a message whose length comes from L'.
*! rc 0
PROG     CSECT
         ENTER
*! list SAV0001    DS  18F
*! obj 90ECD00C05C050D0C01241D0C00E47F0C056
         LEAVE RC=4
*! obj 58D0D00498ECD00C41F0000407FE
         MSG   'HELLO'
*! obj 05C8C5D3D3D6
         END
