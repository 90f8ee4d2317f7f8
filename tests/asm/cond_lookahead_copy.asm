* Attributes of symbols that a COPY member further on defines, and one
* that member copies in; a member that copies the first one back is not
* read again (the COPY itself is refused).
*! rc 12
A        CSECT
         LENTYPE RECNAME
         LENTYPE RECAMT
         LENTYPE RECFLAG
*! list 000000 14C3
*! list 000002 06D7
*! list 000004 03E7
.LAYOUT  COPY  RECDEF
*! list Recursive COPY is not allowed.
         END
