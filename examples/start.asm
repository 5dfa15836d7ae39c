; start.asm - reset vector and main loop of the HLVN133 LED example.
; make_example writes start.o as an assembler makes it from this file.

        EXTERN  led_on          ; led.asm
        GLOBAL  main, level

buffer  UDATA                   ; led.lkr puts it into bank 1 (gpr1)
level   RES     1               ; the LED's state as led_on returns it

.reset  CODE    0x0000          ; the reset vector
        goto    main            ; two words: GOTO reaches all of program memory

.code   CODE
main    movlb   HIGH level      ; select the bank of level
        call    led_on          ; two words, as GOTO; W := 1
        movwf   level, BANKED
        bra     main

        END
