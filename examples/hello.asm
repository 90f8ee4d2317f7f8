* A first program: the smallest complete assembly.
HELLO    CSECT
         END
