A        EQU   B
B        EQU   A
X        EQU   Y+1
Y        EQU   Z+1
Z        EQU   NOPE
         END
