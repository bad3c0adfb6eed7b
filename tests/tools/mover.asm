; Start of every program the test cruncher writes: a BASIC line "SYS" to the boot code, which
; copies the mover into the stack page and runs it. The mover copies the payload that follows
; this stub to its load address (from the top down when it moves up, so overlaps survive) with
; all RAM visible, restores the memory configuration and jumps to the start address with
; interrupts off. The cruncher fills in the parameter block.

        .cpu "6502"

processor_port  = $01
all_ram         = $34           ; processor port: RAM everywhere, also under I/O and the ROMs
source          = $fb           ; zero-page pointers used by (zp),y
destination     = $fd
basic_sys_token = $9e
mover_address   = $0100         ; bottom of the stack page, below any payload

        * = $0801
        .word end_of_basic, 10          ; link to the next line, line number
        .byte basic_sys_token
        .text format("%d", boot), 0
end_of_basic
        .word 0

boot
        sei
        ldx #mover_size - 1
-       lda mover_image,x
        sta mover_address,x
        dex
        bpl -
        jmp mover_address

mover_image
        .logical mover_address
mover
        lda processor_port
        sta saved_port
        lda #all_ram
        sta processor_port
        ldx #3
-       lda parameters,x                ; both pointers
        sta source,x
        dex
        bpl -
        ldx pages
        lda backward
        bne copy_down

        ldy #0                          ; upward: whole pages, then the rest
copy_up_pages
        txa
        beq copy_up_rest
-       lda (source),y
        sta (destination),y
        iny
        bne -
        inc source + 1
        inc destination + 1
        dex
        jmp copy_up_pages
copy_up_rest
        cpy remainder
        beq copied
        lda (source),y
        sta (destination),y
        iny
        jmp copy_up_rest

copy_down                               ; downward: the pointers address the last, partial page
        ldy remainder
        beq next_page_down
-       dey
        lda (source),y
        sta (destination),y
        tya
        bne -
next_page_down
        txa
        beq copied
        dex
        dec source + 1
        dec destination + 1
        jmp -

copied
        lda saved_port
        sta processor_port
        jmp (start)

saved_port      .byte 0
parameters
source_address  .word 0                 ; payload in memory, + 256 * pages when backward
target_address  .word 0                 ; load address, + 256 * pages when backward
pages           .byte 0                 ; whole pages of the payload
remainder       .byte 0                 ; bytes beyond them
backward        .byte 0                 ; 1 when the payload moves up
start           .word 0
        .endlogical
mover_size = * - mover_image
        .cerror mover_size > 128, "mover too long"

; Offsets into the stub of the parameters.
patch_source      = source_address - mover_address + mover_image - $0801
patch_target      = target_address - mover_address + mover_image - $0801
patch_pages       = pages - mover_address + mover_image - $0801
patch_remainder   = remainder - mover_address + mover_image - $0801
patch_backward    = backward - mover_address + mover_image - $0801
patch_start       = start - mover_address + mover_image - $0801
stub_load_address = $0801
