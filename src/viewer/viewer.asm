; C64 Sidewell viewer: shows a picture with all four borders open and 40 sprites standing in the
; side borders, ten rows of four multiplexed over the hardware sprites 4-7.
;
; Assembled four times: -D PETSCII=0 for a multicolour bitmap, 1 for a PETSCII screen, and
; -D FLICKER=0 or 1 for the flicker transition. The exporter copies the assembled template in front
; of the picture and sprite data and patches the immediate operands listed at the end.
;
; Cycles are numbered 1-63 (PAL, 6569), 1-64 (old NTSC, 6567R56A) or 1-65 (NTSC 6567R8 and PAL-N
; 6572) within a raster line. Comments on timed instructions give the instruction's cycle count
; and, where it is fixed, the cycle of the line in which its write lands; figures in brackets
; are those of 65-cycle lines, and 64-cycle lines have tails of their own.

        .cpu "6502"

; --------------------------------------------------------------------------- hardware
processor_port      = $01
nmi_vector_kernal   = $0318         ; the KERNAL's NMI handler jumps through this
vic_sprite_x        = $d000         ; + 2 * sprite
vic_sprite_y        = $d001         ; + 2 * sprite
vic_sprite_x_msb    = $d010
vic_control1        = $d011         ; RSEL, DEN, BMM, YSCROLL, raster bit 8
vic_raster          = $d012
vic_sprite_enable   = $d015
vic_control2        = $d016         ; CSEL, MCM, XSCROLL
vic_sprite_expand_y = $d017
vic_memory          = $d018         ; screen base, bitmap or character base
vic_irq_flags       = $d019
vic_irq_enable      = $d01a
vic_sprite_priority = $d01b
vic_sprite_mc       = $d01c
vic_sprite_expand_x = $d01d
vic_border          = $d020
vic_background      = $d021
vic_sprite_mc0      = $d025
vic_sprite_mc1      = $d026
vic_sprite_colour   = $d027         ; + sprite
colour_ram          = $d800
colour_ram_size     = $400
cia1_icr            = $dc0d
cia2_port_a         = $dd00         ; bits 0-1: VIC bank, inverted
cia2_timer_a        = $dd04
cia2_icr            = $dd0d
cia2_control_a      = $dd0e
hardware_nmi_vector = $fffa
hardware_reset      = $fffc
hardware_irq_vector = $fffe

all_ram_but_io      = $35           ; processor port: BASIC and KERNAL out, I/O in
vic_irq_raster      = %00000001
cia_icr_clear_all   = %01111111
cia_icr_set_timer_a = %10000001
cia_timer_force_run = %00010001     ; load the latch and start
control1_blank      = %11100000     ; AND mask: DEN, RSEL and YSCROLL cleared
cia2_bank_bits      = %00000011
sprites_enabled     = %11110000     ; hardware sprites 4-7
colour_mask         = $0f
stack_top           = $ff
opcode_rts          = $60
opcode_nop          = $ea
opcode_cmp_immediate = $c9
opcode_cmp_zero_page = $c5

; --------------------------------------------------------------------------- zero page
line_extra          = $02           ; cycles a line has beyond 63: 0, 1 or 2
entry_extra         = $03           ; cycles the sprite area's entry waits beyond PAL's: 0 or 2
delay_byte          = $04           ; read by BIT in odd delays; its value does not matter

; --------------------------------------------------------------------------- memory map
        .if PETSCII
load_address        = $2000
vic_bank_base       = $0000
vic_bank_select     = %11           ; bank 0: the character ROM is at $1000
screen_loaded       = $2c00
colour_loaded       = $2fe8
background_loaded   = $33d0
sprite_data         = $3400
screen_a            = $0400
screen_b            = $0800
character_rom       = $1000         ; as the VIC sees it in bank 0: upper case set, then lower case
memory_char_bits    = (character_rom - vic_bank_base) >> 10
control1_display    = $1b           ; text, 25 rows, YSCROLL 3
control2_wide       = $c8           ; 40 columns
        .else
load_address        = $3400
vic_bank_base       = $4000
vic_bank_select     = %10           ; bank 1
bitmap              = $4000
screen_loaded       = $5f40
colour_loaded       = $6328
background_loaded   = $6710
sprite_data         = $6800
screen_a            = $7400
screen_b            = $7800
memory_char_bits    = (bitmap - vic_bank_base) >> 10
control1_display    = $3b           ; bitmap, 25 rows, YSCROLL 3
control2_wide       = $d8           ; multicolour, 40 columns
        .endif
template_size       = 2848
screen_size         = 1000
pointer_offset      = $03f8 + 4     ; pointers of hardware sprites 4-7 behind each screen
control1_rsel       = %00001000
control1_open       = control1_display & ~control1_rsel ; 24 rows: the bottom compare of line 251 never hits
control2_narrow     = control2_wide - 1 ; 38 columns: CSEL cleared (and XSCROLL 7)
memory_a            = ((screen_a - vic_bank_base) >> 6) | memory_char_bits
memory_b            = ((screen_b - vic_bank_base) >> 6) | memory_char_bits
sprite_pointer_base = (sprite_data - vic_bank_base) / 64

; --------------------------------------------------------------------------- sprite layout
first_sprite        = 4             ; hardware sprites 4-7 show the four columns
rows                = 10
row_height          = 21
first_row_y         = 42            ; Y register = first displayed line - 1
row_top             .sfunction row, first_row_y + row_height * row
sprite_x            = [$1e0, $000, $158, $170]  ; PAL; sprite 4 sits at $1e8 on longer lines
sprite_x_long_lines = $1e8          ; where the X counter runs to $1ff, one cycle later
sprite_x_msb_bits   = ((sprite_x >> 8) << (first_sprite + range(4))) | ...
rows_keeping_colours = [5, 8]       ; their colour writes would fall on badlines
default_colour      = 1

; --------------------------------------------------------------------------- raster timing
pal_line_cycles     = 63    ; longer lines add their extra cycles in extra_cycles_delay
irq_line            = 39
first_segment_line  = row_top(0)            ; row 0's Y line: the per-line code starts here
last_segment_line   = row_top(rows)         ; the last line of row 9
; A $d016 write in cycle 56 of line L opens L's right border and L+1's left border. The picture
; covers lines 51-250; the right border opens on lines 50-250 and the left one on 51-251, 201
; lines each, as the editor shows them. Above and below, the side borders stay closed in the
; border colour, which is the background colour.
first_open_border_line = 50
last_open_border_line  = 250
lower_border_line   = 249                   ; RSEL cleared within lines 248-250
cycle_border_write  = 56    ; a $d016 write clearing CSEL here skips both right-edge compares
segment_start_cycle = 15    ; the per-line code resumes here after the sprite fetches; 14 on
                            ; 64-cycle lines, whose tails are entered a cycle earlier
is_badline          .sfunction line, line >= $30 && line <= $f7 && (line & 7) == (control1_display & 7)
badline_row         = 5     ; row whose first line is a badline: its switch has its own tail

; Cycles of one line that the per-line code can spend on work and delay: from the segment start
; to the border write, less JSR, JMP (vector) and the STA that writes $d016.
jsr_cycles          = 6
jmp_indirect_cycles = 5
sta_absolute_cycles = 4
segment_budget      = cycle_border_write - segment_start_cycle + 1 - jsr_cycles - jmp_indirect_cycles - sta_absolute_cycles

; Offsets into the template of the immediate operands that the exporter patches.
colour_patches      := [$ffff] x 40  ; sprite colours; none for the rows that keep colours
lowercase_14        := []           ; $d018 values of the first screen
lowercase_24        := []           ; $d018 values of the second screen
lowercase_f2        := []           ; low bytes of store bases that depend on memory_b

; ===========================================================================================
        * = load_address

start
        sei
        ldx #stack_top
        txs
        cld

; RESTORE: the KERNAL's NMI handler jumps through nmi_vector_kernal to an RTI. CIA 2's timer A
; with a zero latch raises one NMI that is never acknowledged, so the NMI line stays low and the
; RESTORE key cannot make another edge.
        lda #<return_from_interrupt
        sta nmi_vector_kernal
        lda #>return_from_interrupt
        sta nmi_vector_kernal + 1
        lda #0
        sta cia2_timer_a
        sta cia2_timer_a + 1
        lda #cia_icr_set_timer_a
        sta cia2_icr
        lda #cia_timer_force_run
        sta cia2_control_a

        jsr fade_out

        jsr wait_frame                  ; blank before line $30: no badlines from here on
        lda vic_control1
        and #control1_blank
        sta vic_control1
        lda #0
        sta vic_sprite_enable
        jsr detect_standard
        stx standard
        txa
        bmi +
        jsr select_line_timing
+

        lda cia2_port_a                 ; VIC bank
        and #~cia2_bank_bits
        ora #vic_bank_select
        sta cia2_port_a

        jsr wait_frame
        jsr copy_picture

        jsr wait_frame                  ; display on in the picture's mode
        lda #control1_display
        sta vic_control1
        lda #control2_wide
        sta vic_control2
lowercase_14 ..= [* + 1 - load_address]
        lda #memory_a
        sta vic_memory
        lda standard                    ; a timing the code was not written for: the
        bmi show_picture_only           ; picture alone, borders closed, no interrupts

        jsr set_up_sprites

        lda #<raster_irq
        sta hardware_irq_vector
        lda #>raster_irq
        sta hardware_irq_vector + 1
        lda #<return_from_interrupt
        sta hardware_nmi_vector
        sta hardware_reset
        lda #>return_from_interrupt
        sta hardware_nmi_vector + 1
        sta hardware_reset + 1
        lda #irq_line
        sta vic_raster
        lda #vic_irq_raster
        sta vic_irq_enable
        lda #all_ram_but_io
        sta processor_port
        lda #cia_icr_clear_all
        sta cia1_icr
        sta cia2_icr
        lda cia1_icr
        lda cia2_icr
        lda #vic_irq_raster
        sta vic_irq_flags
        cli
show_picture_only
        jmp show_picture_only

return_from_interrupt
        rti

; The four VIC-II timings the per-line code is written for, told apart by the low byte of the
; frame's last line and by the CPU cycles from line 0 to line 128, measured in loops of
; count_loop_cycles with the display blank (no badline or sprite takes a cycle).
; PAL 6569, old NTSC 6567R56A, NTSC 6567R8, PAL-N 6572:
standard_last_line  = [$37, $05, $06, $37]  ; low bytes of $137, $105, $106, $137
standard_cycles     = [63, 64, 65, 65]
count_lines         = 128           ; the count stops when bit 7 of the raster line sets
count_loop_cycles   = 12
count_start_latest  = 48            ; cycles of line 0 that pass before counting, at most
count_first         = (count_lines * standard_cycles - count_start_latest) / count_loop_cycles + 1
count_end           = count_lines * standard_cycles / count_loop_cycles + 3
count_high          = count_first[0] >> 8
        .for i := 0, i < len(standard_cycles), i += 1
        .cerror (count_first[i] >> 8) != count_high || ((count_end[i] - 1) >> 8) != count_high, "counts differ in their high byte"
        .for j := 0, j < len(standard_cycles), j += 1
        .cerror standard_cycles[i] < standard_cycles[j] && count_end[i] > count_first[j], "count windows overlap"
        .endfor
        .endfor

; X: the index of the standard, negative when the timing is none of them (an accelerator, a
; misconfigured emulator).
detect_standard
-       lda vic_raster                  ; wait for line 256
        bne -
        bit vic_control1
        bpl -
        sta highest_line
-       lda vic_raster                  ; follow the raster until it wraps to line 0
        cmp highest_line
        bcc +
        sta highest_line
        bcs -
+       ldx #0
        ldy #0
        .page
-       inx                             ; 2
        bne +                           ; 3 (2, and INY, once in 256 loops)
        iny                             ; 2
+       lda vic_raster                  ; 4
        bpl -                           ; 3
        .endpage
        stx count_low
        ldx #$ff
        cpy #count_high
        bne +
        ldx #size(standard_timing) - 1
-       lda highest_line
        cmp frame_last_lines,x
        bne next_standard
        lda count_low
        cmp standard_count_first,x
        bcc next_standard
        cmp standard_count_end,x
        bcc +
next_standard
        dex
        bpl -
+       rts

; Points the per-line tails, the entry delay and the sprite 4 position at the timing of
; standard X: lines of 63, 64 or 65 cycles.
select_line_timing
        ldy standard_timing,x
        sty line_extra
        lda timing_entry_extra,y
        sta entry_extra
        lda timing_sprite_4_x,y
        sta vic_sprite_x + 2 * first_sprite
        lda timing_tail_offset,y
        tay
        ldx #0
-       lda tail_vector_sets,y
        sta tail_vectors,x
        iny
        inx
        cpx #size(tail_vectors)
        bne -
        rts

; Sixteen frames, each taking border, background and colour RAM one step darker.
fade_steps = 16
fade_out
        lda #fade_steps
        sta fade_steps_left
-       jsr wait_frame
        .for register in vic_border, vic_background
        lda register
        and #colour_mask
        tax
        lda fade_table,x
        sta register
        .endfor
        ldx #0
-       .for page := colour_ram, page < colour_ram + $400, page += $100
        lda page,x
        and #colour_mask
        tay
        lda fade_table,y
        sta page,x
        .endfor
        inx
        bne -
        dec fade_steps_left
        bne --
        rts

; Returns at the start of the next frame (line 0).
wait_frame
-       bit vic_control1
        bpl -
-       bit vic_control1
        bmi -
        rts

; Loaded screen into both display screens, colours into colour RAM, the background colour.
copy_picture
copy_chunk = screen_size / 4
        ldx #0
-       .for chunk := 0, chunk < screen_size, chunk += copy_chunk
        lda screen_loaded + chunk,x
        sta screen_a + chunk,x
        sta screen_b + chunk,x
        lda colour_loaded + chunk,x
        sta colour_ram + chunk,x
        .endfor
        inx
        cpx #copy_chunk
        bne -
        lda background_loaded
        sta vic_border
        sta vic_background
        rts

; Everything about the sprites that stays the same for the whole frame, then row 0.
set_up_sprites
        lda #0
        sta vic_sprite_expand_x
        sta vic_sprite_expand_y
        sta vic_sprite_priority
        .for sprite := 1, sprite < 4, sprite += 1
        lda #<sprite_x[sprite]
        sta vic_sprite_x + 2 * (first_sprite + sprite)
        .endfor
        lda #sprite_x_msb_bits
        sta vic_sprite_x_msb
        lda #sprites_enabled
        sta vic_sprite_enable
        ; falls through

; Row 0 at the top of every frame: Y, pointers on the first screen, colours and multicolour.
set_up_first_row
        lda #first_row_y
        .for sprite := first_sprite, sprite < first_sprite + 4, sprite += 1
        sta vic_sprite_y + 2 * sprite
        .endfor
        ldx #sprite_pointer_base
        .for column := 0, column < 4, column += 1
        stx screen_a + pointer_offset + column
        .if column < 3
        inx
        .endif
        .endfor
lowercase_14 ..= [* + 1 - load_address]
        lda #memory_a
        sta vic_memory
patch_multicolor0 = * + 1 - load_address
        lda #0
        sta vic_sprite_mc0
patch_multicolor1 = * + 1 - load_address
        lda #0
        sta vic_sprite_mc1
        .for sprite := 0, sprite < 4, sprite += 1
colour_patches := colour_patches[:sprite] .. [* + 1 - load_address] .. colour_patches[sprite + 1:]
        lda #default_colour
        sta vic_sprite_colour + first_sprite + sprite
        .endfor
patch_multicolor_mask = * + 1 - load_address
        lda #0
        sta vic_sprite_mc
        rts

; --------------------------------------------------------------------------- delays
; Exactly n cycles (n >= 2) of NOPs and one BIT zero page for an odd count.
delay   .macro n
cycles  = \n
        .cerror cycles < 2, "no delay of ", cycles, " cycles"
        .if cycles % 2
        bit delay_byte                  ; 3
        .endif
        .fill (cycles - 3 * (cycles % 2)) / 2, opcode_nop
        .endmacro

; 8 cycles and one more for each in the zero page byte \extra (0-2), with X.
extra_cycles_delay .macro extra
        .page
        ldx \extra                      ; 3
        cpx #1                          ; 2
        bcc +                           ; 3 for 0 (2)
        bne +                           ; 3 for 2 (2 for 1)
+
        .endpage
        .endmacro
extra_cycles_delay_cycles = 8

; --------------------------------------------------------------------------- raster interrupt
; Line 39: the first handler arms line 40 and waits in NOPs with interrupts on, so the second
; one starts with at most one cycle of jitter; comparing $d012 across the line end removes it.
irq_stable_cycle    = 10    ; cycle of line 40 in which raster_irq_stable starts when early
stable_cycle        = 4     ; cycle of line 41 after the $d012 comparison
entry_wait_loops    = 7     ; the loop that waits into line 42
entry_wait_cycles   = 2 + 5 * entry_wait_loops - 1
raster_irq
        lda #<raster_irq_stable         ; 2
        sta hardware_irq_vector         ; 4
        lda #>raster_irq_stable         ; 2
        sta hardware_irq_vector + 1     ; 4
        lda #irq_line + 1               ; 2
        sta vic_raster                  ; 4
        lda #vic_irq_raster             ; 2
        sta vic_irq_flags               ; 4
        tsx                             ; 2
        cli                             ; 2
        .fill 20, opcode_nop            ; 2 each

raster_irq_stable
        txs                             ; 2  drop the second interrupt's return address
        ; up to the CMP's read (its 4th cycle) in the line's last cycle
        #delay pal_line_cycles - irq_stable_cycle - 2 - extra_cycles_delay_cycles - 4 - 3
        #extra_cycles_delay line_extra  ; 8, 9 or 10
        .page
        lda vic_raster                  ; 4  line 40
        cmp vic_raster                  ; 4  reads in the last cycle of line 40 or cycle 1 of 41
        beq +                           ; 3 (2): equal only when early by one
+
        .endpage
        ; line 41, cycle 4 (stable_cycle)
        .if FLICKER
flicker_check_cycles = 7
        .page
        lda border_enabled              ; 4
        bne +                           ; 3 taken while the borders open
        jmp frame_end
+
        .endpage
        .else
flicker_check_cycles = 0
        .endif
        .page
        ldx #entry_wait_loops           ; 2  wait into line 42
-       dex                             ; 2
        bne -                           ; 3 (2)
        .endpage
        #extra_cycles_delay entry_extra ; 8 (10)
        lda #control2_wide              ; 2  side borders closed down to the band
        ldx #control2_wide              ; 2
        #delay pal_line_cycles - stable_cycle + segment_start_cycle - flicker_check_cycles - entry_wait_cycles - extra_cycles_delay_cycles - 4
        ; line 42, cycle 15 (14 on 64-cycle lines)

; --------------------------------------------------------------------------- sprite area
; One segment of code per raster line from 42 to 252, starting in cycle 15 (after the sprite
; fetches) and ending with a JSR into a delay slide whose tail writes A to $d016 in cycle 56 and
; X, the 40-column value, after it. A holds the 38-column value on the lines that open the side
; borders and the 40-column value above and below them; the row work uses Y only. A line before
; a badline calls the badline tail, which writes on both lines, so badlines have no segment.

; Row r's Y position for all four sprites. 18 cycles.
set_row_y .macro row
        ldy #row_top(\row)                              ; 2
        .for sprite := first_sprite, sprite < first_sprite + 4, sprite += 1
        sty vic_sprite_y + 2 * sprite                   ; 4
        .endfor
        .endmacro
set_row_y_cycles = 18

; Row r's pointers into the screen that row r - 1 does not show. 24 cycles.
set_row_pointers .macro row
        ldy #sprite_pointer_base + 4 * \row             ; 2
        .for column := 0, column < 4, column += 1
        sty row_screen(\row) + pointer_offset + column  ; 4
        .if column < 3
        iny                                             ; 2
        .endif
        .endfor
        .endmacro
set_row_pointers_cycles = 24
row_screen .sfunction row, (row % 2 == 0) ? screen_a : screen_b

; Switch to row r's screen; lands in cycle 21, after the pointer fetches of the row's last line
; and before those of its first. 6 cycles.
select_row_screen .macro row
        .if \row % 2 == 0
lowercase_14 ::= lowercase_14 .. [* + 1 - load_address]
        ldy #memory_a                                   ; 2
        .else
lowercase_24 ::= lowercase_24 .. [* + 1 - load_address]
        ldy #memory_b                                   ; 2
        .endif
        sty vic_memory                                  ; 4
        .endmacro
select_row_screen_cycles = 6

; Colours of two sprites of row r: columns 0-1 (left border, shown in cycles 11-16) in the row's
; top line after cycle 17, columns 2-3 (right border, cycles 57-62) in the line after. 12 cycles.
set_row_colours .macro row, first_column
        .for column := \first_column, column < \first_column + 2, column += 1
colour_patches ::= colour_patches[:4 * \row + column] .. [* + 1 - load_address] .. colour_patches[4 * \row + column + 1:]
        ldy #default_colour                             ; 2
        sty vic_sprite_colour + first_sprite + column   ; 4
        .endfor
        .endmacro
set_row_colours_cycles = 12

; The value the tails write in cycle 56: 38 columns open the side borders, 40 keep them shut.
; 2 cycles.
open_side_borders .macro
        lda #control2_narrow                            ; 2
        .endmacro
close_side_borders .macro
        lda #control2_wide                              ; 2
        .endmacro
side_borders_cycles = 2

; Clears RSEL between lines 248 and 250: the bottom border compare of line 251 never hits. 6.
open_lower_border .macro
        ldy #control1_open                              ; 2
        sty vic_control1                                ; 4
        .endmacro
open_lower_border_cycles = 6

first_segment_at .sfunction line, is_badline(line) ? line + 1 : line
y_line           .sfunction row, first_segment_at(row_top(row - 1) + 2)
pointers_line    .sfunction row, first_segment_at(y_line(row) + 1)
slide_entry      .sfunction slide_end, delay, (delay == 0) ? slide_end : slide_end - (delay - 1)

        .cerror !is_badline(row_top(badline_row)), "row ", badline_row, " needs its own tail"
        .cerror is_badline(first_open_border_line) || is_badline(last_open_border_line + 1), "the band must start and end on lines with a segment"
        .for row := 1, row < rows, row += 1
        .cerror row != badline_row && is_badline(row_top(row)), "row ", row, " starts on a badline"
        .cerror is_badline(row_top(row) + 1) && !(row in rows_keeping_colours), "row ", row, " colours"
        .endfor

border_routine
        .for line := first_segment_line, line <= last_segment_line, line += 1
        .continueif is_badline(line)
work    := 0
        .for row := 1, row < rows, row += 1
        .if line == y_line(row)
        #set_row_y row
work    += set_row_y_cycles
        .endif
        .if line == pointers_line(row)
        #set_row_pointers row
work    += set_row_pointers_cycles
        .endif
        .if line == row_top(row)
        #select_row_screen row
work    += select_row_screen_cycles
        .if !(row in rows_keeping_colours)
        #set_row_colours row, 0
work    += set_row_colours_cycles
        .endif
        .endif
        .if line == row_top(row) + 1 && !(row in rows_keeping_colours)
        #set_row_colours row, 2
work    += set_row_colours_cycles
        .endif
        .endfor
        .if line == lower_border_line
        #open_lower_border
work    += open_lower_border_cycles
        .endif
        .if line == first_open_border_line
        #open_side_borders
work    += side_borders_cycles
        .endif
        .if line == last_open_border_line + 1
        #close_side_borders
work    += side_borders_cycles
        .endif
budget  := segment_budget
        .if line == row_top(badline_row) + 1
budget  -= row_switch_tail_late_start
        .endif
        .if line + 1 == row_top(badline_row)
slide_end := row_switch_slide_end
budget  -= row_switch_tail_setup
        .elsif is_badline(line + 1)
slide_end := badline_slide_end
        .else
slide_end := line_slide_end
        .endif
slide_delay := budget - work
        .cerror slide_delay < 0 || slide_delay == 1 || slide_delay > slide_length + 1, "line ", line, ": ", work, " cycles of work"
        jsr slide_entry(slide_end, slide_delay) ; 6
        .endfor
        ; line 253, cycle 4: the sprite area is over
        jsr set_up_first_row

frame_end
-       bit vic_control1                ; wait for line 256, below the lower border compare
        bpl -
        lda #control1_display
        sta vic_control1
        .if FLICKER
        jsr advance_flicker_schedule
        .endif
        lda #<raster_irq
        sta hardware_irq_vector
        lda #>raster_irq
        sta hardware_irq_vector + 1
        lda #irq_line
        sta vic_raster
        lda #vic_irq_raster
        sta vic_irq_flags
        rti

; --------------------------------------------------------------------------- delay slides
; A run of CMP #$C9 ending in CMP $EA: entered d - 1 bytes before its end it takes d cycles
; (d >= 2; 0 when entered at the end). The JMP through a vector reaches the tail for the line
; length in use. CMP leaves A, X and Y alone.
slide_length = segment_budget - 1
slide   .macro vector
        .fill slide_length - 2, opcode_cmp_immediate
        .byte opcode_cmp_zero_page, opcode_nop
end     jmp (\vector)                   ; 5
        .endmacro

line_slide      #slide tail_vectors + 0
line_slide_end = line_slide.end
badline_slide   #slide tail_vectors + 2
badline_slide_end = badline_slide.end
row_switch_slide #slide tail_vectors + 4
row_switch_slide_end = row_switch_slide.end

; --------------------------------------------------------------------------- line tails
; Each writes A (38 columns in the band) in cycle 56 and the 40-column value after cycle 56, and
; returns in cycle 15 of the next line (sprite fetches take the bus in cycles 63-10 on PAL,
; 64-10 on 64-cycle lines, 64-9 on 65-cycle lines; a badline from 12 to 54). 65-cycle lines need
; two more cycles per line. A 64-cycle line's extra cycle falls in 63, while the CPU still has the
; bus: its tails are entered in cycle 52, start with a store one cycle longer, and return in 14.

line_tail_63
        sta vic_control2                ; 4  56
        stx vic_control2                ; 4  60
        rts                             ; 6  61, 62, 11-14

line_tail_64
        sta vic_control2 - control2_wide,x  ; 5  56
        stx vic_control2                ; 4  60
        rts                             ; 6  61-63, 11-13

line_tail_65
        sta vic_control2                ; 4  56
        nop                             ; 2  57-58
        stx vic_control2                ; 4  62
        rts                             ; 6  63, 10-14

; The line before a badline and the badline, whose CPU cycles end in 11 (10) and restart in 55.
badline_tail_63
        sta vic_control2                ; 4  56
        stx vic_control2                ; 4  60
        sta vic_control2 - control2_wide,x  ; 5  61, 62, 11, 55, write 56 of the badline
        stx vic_control2                ; 4  60
        rts                             ; 6  61, 62, 11-14

badline_tail_64
        sta vic_control2 - control2_wide,x  ; 5  56
        stx vic_control2                ; 4  60
        nop                             ; 2  61-62
        sta vic_control2                ; 4  63, 11, 55, write 56 of the badline
        stx vic_control2                ; 4  60
        rts                             ; 6  61-63, 11-13

badline_tail_65
        sta vic_control2                ; 4  56
        nop                             ; 2  57-58
        stx vic_control2                ; 4  62
        sta vic_control2 - control2_wide,x  ; 5  63, 10, 11, 55, write 56 of the badline
        nop                             ; 2  57-58
        stx vic_control2                ; 4  62
        rts                             ; 6  63, 10-14

; Row 5 starts on a badline: its screen switch falls after the badline's border write. X holds
; the screen's $d018 value, so the indexed store reaches $d016 from vic_control2 - memory_b.
row_switch_tail_setup = 4               ; cycles before the first border write
row_switch_tail_late_start = 6          ; the next segment starts in cycle 21 (20)
row_switch_tail .macro nops
lowercase_24 ::= lowercase_24 .. [* + 1 - load_address]
        ldx #memory_b                   ; 2
        ldy #control2_wide              ; 2
        sta vic_control2                ; 4  56
        .if \nops
        nop                             ; 2  57-58
        .endif
        sty vic_control2                ; 4  60 (62)
lowercase_f2 ::= lowercase_f2 .. [* + 1 - load_address]
        sta vic_control2 - memory_b,x   ; 5  61 (63), 11 (10), 55, write 56 of the badline
        stx vic_memory                  ; 4  60: row 5's pointers from the next line on
        .if \nops
        nop                             ; 2  61-62
        .endif
        sty vic_control2                ; 4  61 (63), 11 (10), write 12 of the next line
        ldx #control2_wide              ; 2  13-14
        rts                             ; 6  15-20
        .endmacro
row_switch_tail_63 #row_switch_tail 0
row_switch_tail_65 #row_switch_tail 1

row_switch_tail_64
lowercase_24 ::= lowercase_24 .. [* + 1 - load_address]
        ldx #memory_b                   ; 2
        ldy #control2_wide              ; 2
lowercase_f2 ::= lowercase_f2 .. [* + 1 - load_address]
        sta vic_control2 - memory_b,x   ; 5  56
        sty vic_control2                ; 4  60
        nop                             ; 2  61-62
        sta vic_control2                ; 4  63, 11, 55, write 56 of the badline
        stx vic_memory                  ; 4  60: row 5's pointers from the next line on
        ldx #control2_wide              ; 2  61-62
        sty vic_control2                ; 4  63, 11, 12, write 13 of the next line
        rts                             ; 6  14-19

; The tails in use, copied from the set for the line length.
tail_vectors    .word line_tail_63, badline_tail_63, row_switch_tail_63
        .cerror <tail_vectors == $ff || <(tail_vectors + 2) == $ff || <(tail_vectors + 4) == $ff, "JMP () wraps"
tail_vector_sets
        .word line_tail_63, badline_tail_63, row_switch_tail_63
        .word line_tail_64, badline_tail_64, row_switch_tail_64
        .word line_tail_65, badline_tail_65, row_switch_tail_65

; --------------------------------------------------------------------------- flicker
        .if FLICKER
; Runs of frames, alternately without and with the border routine; then it stays on.
flicker_runs    .byte 1, 2, 2, 3, 4, 5, 6, 7, 8
border_enabled  .byte 0
frames_left     .byte 1
run_index       .byte 0

advance_flicker_schedule
        dec frames_left
        bne +
        lda border_enabled
        eor #1
        sta border_enabled
        inc run_index
        ldx run_index
        cpx #size(flicker_runs)
        beq ++
        lda flicker_runs,x
        sta frames_left
+       rts
+       lda #opcode_rts                 ; on for good: the schedule switches itself off
        sta advance_flicker_schedule
        rts
        .endif

; --------------------------------------------------------------------------- tables, variables
fade_table      .byte 0, 15, 9, 5, 6, 9, 0, 13, 2, 0, 8, 0, 11, 3, 4, 12
; By standard (see standard_cycles), then by line timing: 63, 64 or 65 cycles.
frame_last_lines     .byte standard_last_line
standard_count_first .byte <count_first
standard_count_end   .byte <count_end
standard_timing      .byte standard_cycles - pal_line_cycles
timing_entry_extra   .byte 0, 0, 2      ; the 64-cycle line's extra cycle and its earlier start
timing_sprite_4_x    .byte <sprite_x[0], <sprite_x_long_lines, <sprite_x_long_lines
timing_tail_offset   .byte range(0, 3 * size(tail_vectors), size(tail_vectors))
highest_line    .byte 0
count_low       .byte 0
standard        .byte 0
fade_steps_left .byte 0

        .cerror * > load_address + template_size, "template too long by ", * - load_address - template_size, " bytes"
        .fill load_address + template_size - *, 0

; --------------------------------------------------------------------------- patch table
patch_sprite_colours = colour_patches
patch_lowercase_14   = lowercase_14
patch_lowercase_24   = lowercase_24
patch_lowercase_f2   = lowercase_f2
table_frame_last_lines = frame_last_lines - load_address
template_load_address = load_address
