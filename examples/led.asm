; led.asm - switches the LED of the HLVN133 example board on.

        INCLUDE "board.inc"     ; how the board is wired

        GLOBAL  led_on

flags   UDATA_ACS               ; access bank: reached without MOVLB
state   RES     1               ; bit LED_ON: the LED is lit

.led    CODE
led_on  bsf     LATCH, LED_PIN, ACCESS  ; light the LED
        bsf     state, LED_ON, ACCESS   ; and remember it
        retlw   1

        END
