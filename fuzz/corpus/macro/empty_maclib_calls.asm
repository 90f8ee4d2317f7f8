* every library macro called with empty operands
E        CSECT
         CHECK
         CHECK ''
         CHECK ,
LCHECK   CHECK ''
         CHECK MAX==
         CHECK BY==
         CHECK BASE==
         CHECK SA==
         CHECK RC==
         CHECK MAX==''
         CHECK BY==''
         CHECK BASE==''
         CHECK SA==''
         CHECK RC==''
         COUNT
         COUNT ''
         COUNT ,
LCOUNT   COUNT ''
         COUNT MAX==
         COUNT BY==
         COUNT BASE==
         COUNT SA==
         COUNT RC==
         COUNT MAX==''
         COUNT BY==''
         COUNT BASE==''
         COUNT SA==''
         COUNT RC==''
         DEPTH
         DEPTH ''
         DEPTH ,
LDEPTH   DEPTH ''
         DEPTH MAX==
         DEPTH BY==
         DEPTH BASE==
         DEPTH SA==
         DEPTH RC==
         DEPTH MAX==''
         DEPTH BY==''
         DEPTH BASE==''
         DEPTH SA==''
         DEPTH RC==''
         ENTER
         ENTER ''
         ENTER ,
LENTER   ENTER ''
         ENTER MAX==
         ENTER BY==
         ENTER BASE==
         ENTER SA==
         ENTER RC==
         ENTER MAX==''
         ENTER BY==''
         ENTER BASE==''
         ENTER SA==''
         ENTER RC==''
         INNER
         INNER ''
         INNER ,
LINNER   INNER ''
         INNER MAX==
         INNER BY==
         INNER BASE==
         INNER SA==
         INNER RC==
         INNER MAX==''
         INNER BY==''
         INNER BASE==''
         INNER SA==''
         INNER RC==''
         LEAVE
         LEAVE ''
         LEAVE ,
LLEAVE   LEAVE ''
         LEAVE MAX==
         LEAVE BY==
         LEAVE BASE==
         LEAVE SA==
         LEAVE RC==
         LEAVE MAX==''
         LEAVE BY==''
         LEAVE BASE==''
         LEAVE SA==''
         LEAVE RC==''
         LENTYPE
         LENTYPE ''
         LENTYPE ,
LLENTYPE LENTYPE ''
         LENTYPE MAX==
         LENTYPE BY==
         LENTYPE BASE==
         LENTYPE SA==
         LENTYPE RC==
         LENTYPE MAX==''
         LENTYPE BY==''
         LENTYPE BASE==''
         LENTYPE SA==''
         LENTYPE RC==''
         MSG
         MSG   ''
         MSG   ,
LMSG     MSG   ''
         MSG   MAX==
         MSG   BY==
         MSG   BASE==
         MSG   SA==
         MSG   RC==
         MSG   MAX==''
         MSG   BY==''
         MSG   BASE==''
         MSG   SA==''
         MSG   RC==''
         OUTER
         OUTER ''
         OUTER ,
LOUTER   OUTER ''
         OUTER MAX==
         OUTER BY==
         OUTER BASE==
         OUTER SA==
         OUTER RC==
         OUTER MAX==''
         OUTER BY==''
         OUTER BASE==''
         OUTER SA==''
         OUTER RC==''
         PLIST
         PLIST ''
         PLIST ,
LPLIST   PLIST ''
         PLIST MAX==
         PLIST BY==
         PLIST BASE==
         PLIST SA==
         PLIST RC==
         PLIST MAX==''
         PLIST BY==''
         PLIST BASE==''
         PLIST SA==''
         PLIST RC==''
         REGS
         REGS  ''
         REGS  ,
LREGS    REGS  ''
         REGS  MAX==
         REGS  BY==
         REGS  BASE==
         REGS  SA==
         REGS  RC==
         REGS  MAX==''
         REGS  BY==''
         REGS  BASE==''
         REGS  SA==''
         REGS  RC==''
         SHOWCNT
         SHOWCNT ''
         SHOWCNT ,
LSHOWCNT SHOWCNT ''
         SHOWCNT MAX==
         SHOWCNT BY==
         SHOWCNT BASE==
         SHOWCNT SA==
         SHOWCNT RC==
         SHOWCNT MAX==''
         SHOWCNT BY==''
         SHOWCNT BASE==''
         SHOWCNT SA==''
         SHOWCNT RC==''
         END
