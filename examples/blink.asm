; blink.asm - blinks the LED of the MRRW008 example board, about twice a
; second at a 4 MHz clock. make_example writes blink.o as an assembler
; makes it from this file.

LEDPORT EQU     0x06            ; output port of the LED
LEDMASK EQU     0x01            ; the LED hangs on bit 0

        EXTERN  delay_ms        ; delay.o in lib/util.lib
        GLOBAL  main, ticks

vars    UDATA_SHR               ; shared bank: reached from every bank
ticks   RES     1               ; milliseconds, modulo 256

.reset  CODE    0x0000          ; the reset vector
        goto    main

.code   CODE
main    call    delay_ms        ; wait 1 ms
        incfsz  ticks, f        ; count it; on every 256th
        goto    main
        movlw   LEDMASK         ; toggle the LED
        xorwf   LEDPORT, f
        goto    main

        END
