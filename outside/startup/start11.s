; Start-up code of a C program for the 68HC11.
;
; From reset: sets the stack to __stack, copies the initialised data and
; clears the uninitialised sections as the linker's table __itable says,
; and calls main. When main returns, or a program calls exit(), the
; program ends at __halt with the result in D, where it stays: a stop
; and a branch back to it. The debugger starts a program at __stext.
;
; __itable, made by the linker:
;	per copied segment:	dc.w length, destination, source
;	end:			dc.w 0
;	per cleared segment:	dc.w length, destination
;	end:			dc.w 0

	xdef	__stext, __halt, _exit
	xref	_main, __stack, __itable

	switch	.text
__stext:
	lds	#__stack
	ldy	#__itable
copy:
	ldd	0,y		; bytes to copy; 0 ends the copies
	beq	copied
	pshy
	ldx	4,y		; from
	ldy	2,y		; to
copy1:
	pshb
	psha
	ldaa	0,x
	staa	0,y
	inx
	iny
	pula
	pulb
	subd	#1
	bne	copy1
	puly
	ldab	#6
	aby
	bra	copy
copied:
	iny
	iny
clear:
	ldd	0,y		; bytes to clear; 0 ends the table
	beq	cleared
	ldx	2,y
clear1:
	clr	0,x
	inx
	subd	#1
	bne	clear1
	ldab	#4
	aby
	bra	clear
cleared:
	jsr	_main

; void exit(int status): the status arrives in D.
_exit:
__halt:
	stop
	bra	__halt

; The reset vector.
.reset:	section	abs
	org	0xFFFE
	dc.w	__stext

	end
