* machine instructions XI to ZAP: no operand, '', a lone comma
E        CSECT
         USING *,12
         XI
         XI    ''
         XI    ,
         XR
         XR    ''
         XR    ,
         XSCH
         XSCH  ''
         XSCH  ,
         ZAP
         ZAP   ''
         ZAP   ,
         END
