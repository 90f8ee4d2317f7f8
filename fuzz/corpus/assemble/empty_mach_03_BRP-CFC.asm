* machine instructions BRP to CFC: no operand, '', a lone comma
E        CSECT
         USING *,12
         BRP
         BRP   ''
         BRP   ,
         BRPL
         BRPL  ''
         BRPL  ,
         BRU
         BRU   ''
         BRU   ,
         BRUL
         BRUL  ''
         BRUL  ,
         BRXH
         BRXH  ''
         BRXH  ,
         BRXLE
         BRXLE ''
         BRXLE ,
         BRZ
         BRZ   ''
         BRZ   ,
         BRZL
         BRZL  ''
         BRZL  ,
         BSA
         BSA   ''
         BSA   ,
         BSG
         BSG   ''
         BSG   ,
         BSM
         BSM   ''
         BSM   ,
         BXH
         BXH   ''
         BXH   ,
         BXLE
         BXLE  ''
         BXLE  ,
         BZ
         BZ    ''
         BZ    ,
         BZR
         BZR   ''
         BZR   ,
         C
         C     ''
         C     ,
         CD
         CD    ''
         CD    ,
         CDB
         CDB   ''
         CDB   ,
         CDBR
         CDBR  ''
         CDBR  ,
         CDFBR
         CDFBR ''
         CDFBR ,
         CDFR
         CDFR  ''
         CDFR  ,
         CDR
         CDR   ''
         CDR   ,
         CDS
         CDS   ''
         CDS   ,
         CE
         CE    ''
         CE    ,
         CEB
         CEB   ''
         CEB   ,
         CEBR
         CEBR  ''
         CEBR  ,
         CEFBR
         CEFBR ''
         CEFBR ,
         CEFR
         CEFR  ''
         CEFR  ,
         CER
         CER   ''
         CER   ,
         CFC
         CFC   ''
         CFC   ,
         END
