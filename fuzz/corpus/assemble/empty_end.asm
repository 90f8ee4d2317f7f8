E        CSECT
         END   ''
         END
