; math.asm - small helpers on W for the Mirrow devices. Goes into
; lib/util.lib; blink does not use them, so zorvik leaves math.o out.

        GLOBAL  neg8, low4

.math   CODE
neg8                            ; W := -W, two's complement
        sublw   0
        return
low4                            ; W := W & 0x0F, the low nibble
        andlw   0x0F
        return

        END
