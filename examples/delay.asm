; delay.asm - busy-wait delays for the Mirrow devices at a 4 MHz clock, one
; instruction cycle per microsecond. Goes into lib/util.lib.

        GLOBAL  delay_ms, delay_4us

dvars   UDATA_SHR
count   RES     1               ; turns of the loop still to go

.delay  CODE
delay_ms                        ; about 1 ms: 250 turns
        movlw   250
delay_4us                       ; W turns of 4 cycles (W = 0: 256 turns)
        movwf   count
dloop   nop
        decfsz  count, f
        goto    dloop
        return

        END
