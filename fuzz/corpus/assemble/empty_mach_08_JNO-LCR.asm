* machine instructions JNO to LCR: no operand, '', a lone comma
E        CSECT
         USING *,12
         JNO
         JNO   ''
         JNO   ,
         JNOP
         JNOP  ''
         JNOP  ,
         JNP
         JNP   ''
         JNP   ,
         JNZ
         JNZ   ''
         JNZ   ,
         JO
         JO    ''
         JO    ,
         JP
         JP    ''
         JP    ,
         JXH
         JXH   ''
         JXH   ,
         JXLE
         JXLE  ''
         JXLE  ,
         JZ
         JZ    ''
         JZ    ,
         KDB
         KDB   ''
         KDB   ,
         KDBR
         KDBR  ''
         KDBR  ,
         KEB
         KEB   ''
         KEB   ,
         KEBR
         KEBR  ''
         KEBR  ,
         KIMD
         KIMD  ''
         KIMD  ,
         KLMD
         KLMD  ''
         KLMD  ,
         KM
         KM    ''
         KM    ,
         KMAC
         KMAC  ''
         KMAC  ,
         KMC
         KMC   ''
         KMC   ,
         KXBR
         KXBR  ''
         KXBR  ,
         L
         L     ''
         L     ,
         LA
         LA    ''
         LA    ,
         LAE
         LAE   ''
         LAE   ,
         LAM
         LAM   ''
         LAM   ,
         LARL
         LARL  ''
         LARL  ,
         LASP
         LASP  ''
         LASP  ,
         LCDBR
         LCDBR ''
         LCDBR ,
         LCDR
         LCDR  ''
         LCDR  ,
         LCEBR
         LCEBR ''
         LCEBR ,
         LCER
         LCER  ''
         LCER  ,
         LCR
         LCR   ''
         LCR   ,
         END
