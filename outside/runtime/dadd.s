; Double addition and subtraction (dcore.s has the rules of the format).
;	c_dadd, c_dsub	the double at Y = itself +/- the double at D; every
;			register kept
; As for floats: the larger magnitude to R, the other shifted right to its
; exponent with the bits shifted out sticking in the guard byte, then
; added or subtracted and normalised; x - x and +0 + -0 are +0.
	include	"double.h11"
	xdef	c_dadd, c_dsub
	xref	c__dop, c__dnorm

	switch	.text
c_dadd:
	pshy
	pshb
	psha
	clrb
	bra	op
c_dsub:
	pshy
	pshb
	psha
	ldab	#2
op:	ldy	#core
	jmp	c__dop

core:
	ldd	D_BE,x
	beq	8$		; + 0
	ldd	D_RE,x
	beq	20$		; 0 +
	cpd	D_BE,x		; the larger magnitude to R
	bhi	1$
	blo	20$
	ldd	D_RM,x
	cpd	D_BM,x
	bhi	1$
	blo	20$
	ldd	D_RM+2,x
	cpd	D_BM+2,x
	bhi	1$
	blo	20$
	ldd	D_RM+4,x
	cpd	D_BM+4,x
	bhi	1$
	blo	20$
	ldaa	D_RM+6,x
	cmpa	D_BM+6,x
	bhs	1$
20$:	ldaa	D_RS,x		; swap; the guard bytes are 0 still
	ldab	D_BS,x
	staa	D_BS,x
	stab	D_RS,x
	ldd	D_RE,x
	ldy	D_BE,x
	std	D_BE,x
	sty	D_RE,x
	ldd	D_RM,x
	ldy	D_BM,x
	std	D_BM,x
	sty	D_RM,x
	ldd	D_RM+2,x
	ldy	D_BM+2,x
	std	D_BM+2,x
	sty	D_RM+2,x
	ldd	D_RM+4,x
	ldy	D_BM+4,x
	std	D_BM+4,x
	sty	D_RM+4,x
	ldaa	D_RM+6,x
	ldab	D_BM+6,x
	staa	D_BM+6,x
	stab	D_RM+6,x
	ldd	D_BE,x
	beq	9$		; 0 + 0
1$:	ldd	D_RE,x
	subd	D_BE,x		; the difference of the exponents
	cpd	#55
	bhs	9$		; too small to count
	tstb
	beq	21$
	clr	D_T,x		; what leaves the guard byte
2$:	cmpb	#8
	blo	3$
	ldaa	D_BM+7,x
	oraa	D_T,x
	staa	D_T,x
	ldaa	D_BM+6,x
	staa	D_BM+7,x
	ldaa	D_BM+5,x
	staa	D_BM+6,x
	ldaa	D_BM+4,x
	staa	D_BM+5,x
	ldaa	D_BM+3,x
	staa	D_BM+4,x
	ldaa	D_BM+2,x
	staa	D_BM+3,x
	ldaa	D_BM+1,x
	staa	D_BM+2,x
	ldaa	D_BM,x
	staa	D_BM+1,x
	clr	D_BM,x
	subb	#8
	bra	2$
3$:	tstb
	beq	5$
4$:	lsr	D_BM,x
	ror	D_BM+1,x
	ror	D_BM+2,x
	ror	D_BM+3,x
	ror	D_BM+4,x
	ror	D_BM+5,x
	ror	D_BM+6,x
	ror	D_BM+7,x
	bcc	6$
	inc	D_T,x
6$:	decb
	bne	4$
5$:	tst	D_T,x
	beq	21$
	bset	D_BM+7,x,#1	; sticky
21$:	ldaa	D_RS,x
	eora	D_BS,x
	bmi	22$
	ldd	D_RM+6,x	; add
	addd	D_BM+6,x
	std	D_RM+6,x
	ldd	D_RM+4,x
	adcb	D_BM+5,x
	adca	D_BM+4,x
	std	D_RM+4,x
	ldd	D_RM+2,x
	adcb	D_BM+3,x
	adca	D_BM+2,x
	std	D_RM+2,x
	ldd	D_RM,x
	adcb	D_BM+1,x
	adca	D_BM,x
	std	D_RM,x
	cmpa	#$20
	blo	9$
	lsr	D_RM,x		; one bit right, one more in the exponent
	ror	D_RM+1,x
	ror	D_RM+2,x
	ror	D_RM+3,x
	ror	D_RM+4,x
	ror	D_RM+5,x
	ror	D_RM+6,x
	ror	D_RM+7,x
	bcc	7$
	bset	D_RM+7,x,#1
7$:	ldd	D_RE,x
	addd	#1
	std	D_RE,x
9$:	rts
8$:	ldd	D_RE,x
	bne	9$
	ldaa	D_RS,x		; 0 + 0 is -0 only when both are -0
	anda	D_BS,x
	staa	D_RS,x
	rts

22$:	ldd	D_RM+6,x	; subtract
	subd	D_BM+6,x
	std	D_RM+6,x
	ldd	D_RM+4,x
	sbcb	D_BM+5,x
	sbca	D_BM+4,x
	std	D_RM+4,x
	ldd	D_RM+2,x
	sbcb	D_BM+3,x
	sbca	D_BM+2,x
	std	D_RM+2,x
	ldd	D_RM,x
	sbcb	D_BM+1,x
	sbca	D_BM,x
	std	D_RM,x
	jmp	c__dnorm

	end
