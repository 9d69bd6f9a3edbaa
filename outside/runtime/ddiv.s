; Double division (dcore.s has the rules of the format).
;	c_ddiv	the double at Y /= the double at D; every register kept
; Division by 0 gives the largest value of the dividend's sign, and 0 / 0
; gives 0.
;
; As for floats, the quotient of the mantissas comes as digits of base
; 256, eight of them: the right mantissa is shifted 3 bits up so that its
; top bit is set, each digit is estimated with idiv from the remainder's
; top two bytes and the divisor's top byte (at most 2 too large), the digit
; times the divisor is taken off and the divisor added back while the
; remainder is negative. The digits are the mantissa and the guard byte; a
; remainder left over sticks in the guard byte's lowest bit.
	include	"double.h11"
	xdef	c_ddiv
	xref	c__dop

D_R:	equ	D_P		; the remainder (8 bytes)
D_M:	equ	D_P+8		; a digit times the divisor (8 bytes)
D_Q:	equ	D_T+1		; the digit

	switch	.text
c_ddiv:
	pshy
	pshb
	psha
	clrb
	ldy	#core
	jmp	c__dop

; One byte of q b into M: M[j+1] = low(q b_j + the carry at D_T).
mac:	macro
	ldaa	D_Q,x
	ldab	D_BM+\1,x
	mul
	addb	D_T,x
	adca	#0
	stab	D_M+\1+1,x
	staa	D_T,x
	endm

core:
	ldd	D_BE,x
	bne	1$
	ldd	D_RE,x		; x / 0
	bne	10$
	clr	D_RS,x		; 0 / 0 is +0
	rts
10$:	ldd	#2047
	std	D_RE,x
9$:	rts
1$:	ldaa	D_RS,x
	eora	D_BS,x
	staa	D_RS,x
	ldd	D_RE,x
	beq	9$		; 0 / x
	subd	D_BE,x
	addd	#1023
	std	D_RE,x
	ldd	D_RM,x		; a >= b: R = a << 7, else R = a << 8 and one
	cpd	D_BM,x		; less in the exponent
	bhi	2$
	blo	3$
	ldd	D_RM+2,x
	cpd	D_BM+2,x
	bhi	2$
	blo	3$
	ldd	D_RM+4,x
	cpd	D_BM+4,x
	bhi	2$
	blo	3$
	ldaa	D_RM+6,x
	cmpa	D_BM+6,x
	blo	3$
2$:	clr	D_R+7,x
	ldd	D_RM,x
	lsrd
	std	D_R,x
	ldd	D_RM+2,x
	rora
	rorb
	std	D_R+2,x
	ldd	D_RM+4,x
	rora
	rorb
	std	D_R+4,x
	ldaa	D_RM+6,x
	rora
	staa	D_R+6,x
	ror	D_R+7,x
	bra	4$
3$:	ldd	D_RM,x
	std	D_R,x
	ldd	D_RM+2,x
	std	D_R+2,x
	ldd	D_RM+4,x
	std	D_R+4,x
	ldaa	D_RM+6,x
	staa	D_R+6,x
	clr	D_R+7,x
	ldd	D_RE,x
	subd	#1
	std	D_RE,x
4$:	ldab	#3		; the divisor's top bit up
5$:	lsl	D_BM+6,x
	rol	D_BM+5,x
	rol	D_BM+4,x
	rol	D_BM+3,x
	rol	D_BM+2,x
	rol	D_BM+1,x
	rol	D_BM,x
	decb
	bne	5$
	bsr	digit		; the digits into R's mantissa
	stab	D_RM,x
	bsr	digit
	stab	D_RM+1,x
	bsr	digit
	stab	D_RM+2,x
	bsr	digit
	stab	D_RM+3,x
	bsr	digit
	stab	D_RM+4,x
	bsr	digit
	stab	D_RM+5,x
	bsr	digit
	stab	D_RM+6,x
	bsr	digit
	stab	D_RM+7,x
	ldd	D_R,x		; a remainder is sticky
	bne	7$
	ldd	D_R+2,x
	bne	7$
	ldd	D_R+4,x
	bne	7$
	ldd	D_R+6,x
	beq	8$
7$:	bset	D_RM+7,x,#1
8$:	rts

; One digit q of R / b into B (R < 256 b); R becomes (R - q b) << 8.
digit:
	ldab	D_BM,x
	clra
	pshx
	xgdx			; X = b0
	xgdy			; Y = the frame
	ldd	D_R,y
	idiv			; X = r0r1 / b0
	xgdx			; D = the estimate
	pulx
	tsta
	beq	1$
	ldab	#255
1$:	stab	D_Q,x
	clr	D_T,x		; M = q b
	mac	6
	mac	5
	mac	4
	mac	3
	mac	2
	mac	1
	mac	0
	ldaa	D_T,x
	staa	D_M,x
	ldd	D_R+6,x		; R -= M
	subd	D_M+6,x
	std	D_R+6,x
	ldd	D_R+4,x
	sbcb	D_M+5,x
	sbca	D_M+4,x
	std	D_R+4,x
	ldd	D_R+2,x
	sbcb	D_M+3,x
	sbca	D_M+2,x
	std	D_R+2,x
	ldd	D_R,x
	sbcb	D_M+1,x
	sbca	D_M,x
	std	D_R,x
	bcc	3$
2$:	dec	D_Q,x		; too large: add b back
	ldd	D_R+6,x
	addd	D_BM+5,x
	std	D_R+6,x
	ldd	D_R+4,x
	adcb	D_BM+4,x
	adca	D_BM+3,x
	std	D_R+4,x
	ldd	D_R+2,x
	adcb	D_BM+2,x
	adca	D_BM+1,x
	std	D_R+2,x
	ldd	D_R,x
	adcb	D_BM,x
	adca	#0
	std	D_R,x
	bcc	2$
3$:	ldd	D_R+1,x		; R < b: one byte left
	std	D_R,x
	ldd	D_R+3,x
	std	D_R+2,x
	ldd	D_R+5,x
	std	D_R+4,x
	ldaa	D_R+7,x
	staa	D_R+6,x
	clr	D_R+7,x
	ldab	D_Q,x
	rts

	end
