; Float division (fcore.s has the rules of the format).
;	c_fdiv		the long register /= the float at Y; Y kept
;	c_fgdiv		the float at Y /= the long register; D and Y kept
; Division by 0 gives the largest value of the dividend's sign, and 0 / 0
; gives 0.
;
; The quotient of the mantissas has 32 bits, computed as four digits of
; base 256: each digit is estimated from the remainder's top two bytes and
; the divisor's top byte with idiv (at most 2 too large, the divisor's top
; bit being set), the digit times the divisor taken off the remainder, and
; the divisor added back while the remainder is negative. The first three
; digits are the mantissa, the fourth the guard byte, and a remainder left
; over sticks in its lowest bit.
	include	"float.h11"
	xdef	c_fdiv, c_fgdiv
	xref	c__fpack

F_R:	equ	F_P		; the remainder (4 bytes)
F_M:	equ	F_P+4		; a digit times the divisor (4 bytes)
F_Q:	equ	F_OUT		; the quotient's digits (4 bytes)

	switch	.text
c_fdiv:
	pshy
	pshb
	psha
	clrb
	fop_lr	core
c_fgdiv:
	pshy
	pshb
	psha
	clrb
	fop_g	core

core:
	ldd	F_BE,x
	bne	1$
	ldd	F_RE,x		; x / 0
	bne	8$
	clr	F_RS,x		; 0 / 0 is +0
	bra	9$
8$:	ldd	#255
	std	F_RE,x
9$:	jmp	c__fpack
1$:	ldaa	F_RS,x
	eora	F_BS,x
	staa	F_RS,x
	ldd	F_RE,x
	beq	9$		; 0 / x
	subd	F_BE,x
	addd	#127
	std	F_RE,x
	clr	F_R+3,x
	ldd	F_RM,x		; a >= b: R = a << 7, else R = a << 8 and one
	cpd	F_BM,x		; less in the exponent
	bhi	2$
	blo	3$
	ldaa	F_RM+2,x
	cmpa	F_BM+2,x
	blo	3$
2$:	ldd	F_RM,x
	lsrd
	std	F_R,x
	ldaa	F_RM+2,x
	rora
	staa	F_R+2,x
	ror	F_R+3,x
	bra	4$
3$:	ldd	F_RM,x
	std	F_R,x
	ldaa	F_RM+2,x
	staa	F_R+2,x
	ldd	F_RE,x
	subd	#1
	std	F_RE,x
4$:	bsr	digit
	stab	F_Q,x
	bsr	digit
	stab	F_Q+1,x
	bsr	digit
	stab	F_Q+2,x
	bsr	digit
	stab	F_Q+3,x
	ldd	F_Q,x
	std	F_RM,x
	ldd	F_Q+2,x
	std	F_RM+2,x
	ldd	F_R,x		; a remainder is sticky
	bne	5$
	ldd	F_R+2,x
	beq	6$
5$:	bset	F_RM+3,x,#1
6$:	jmp	c__fpack

; One digit q of R / b into B (R < 256 b); R becomes (R - q b) << 8.
digit:
	ldab	F_BM,x
	clra
	pshx
	xgdx			; X = b0
	xgdy			; Y = the frame
	ldd	F_R,y
	idiv			; X = r0r1 / b0
	xgdx			; D = the estimate
	pulx
	tsta
	beq	1$
	ldab	#255
1$:	stab	F_BM+3,x
	ldaa	F_BM+2,x	; M = q b
	mul
	std	F_M+2,x
	ldaa	F_BM+3,x
	ldab	F_BM,x
	mul
	std	F_M,x
	ldaa	F_BM+3,x
	ldab	F_BM+1,x
	mul
	addd	F_M+1,x
	std	F_M+1,x
	bcc	2$
	inc	F_M,x
2$:	ldd	F_R+2,x		; R -= M
	subd	F_M+2,x
	std	F_R+2,x
	ldd	F_R,x
	sbcb	F_M+1,x
	sbca	F_M,x
	std	F_R,x
	bcc	4$
3$:	dec	F_BM+3,x		; too large: add b back
	ldd	F_R+2,x
	addd	F_BM+1,x
	std	F_R+2,x
	ldd	F_R,x
	adcb	F_BM,x
	adca	#0
	std	F_R,x
	bcc	3$
4$:	ldd	F_R+1,x		; R < b: one byte left
	std	F_R,x
	ldaa	F_R+3,x
	staa	F_R+2,x
	clr	F_R+3,x
	ldab	F_BM+3,x
	rts

	end
