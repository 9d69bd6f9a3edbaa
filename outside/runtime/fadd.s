; Float addition and subtraction (fcore.s has the rules of the format).
;	c_fadd, c_fsub		the long register = itself +/- the float at Y;
;				Y kept
;	c_fgadd, c_fgsub	the float at Y = itself +/- the long register;
;				D and Y kept
; The operand of the larger magnitude goes to R; the other is shifted
; right to its exponent (the bits shifted out of the guard byte stick in
; its lowest bit), then added or subtracted, and the result normalised.
	include	"float.h11"
	xdef	c_fadd, c_fsub, c_fgadd, c_fgsub
	xref	c__fpack

	switch	.text
c_fadd:
	pshy
	pshb
	psha
	clrb
	bra	lr
c_fsub:
	pshy
	pshb
	psha
	ldab	#$80
lr:	fop_lr	core
c_fgadd:
	pshy
	pshb
	psha
	clrb
	bra	g
c_fgsub:
	pshy
	pshb
	psha
	ldab	#$80
g:	fop_g	core

; A zero operand gives the other one, packed from its own fields; so does
; an operand 26 or more binary places above the other. Zeros sum as in
; IEEE: x - x and +0 + -0 are +0.
core:
	ldd	F_BE,x
	beq	8$		; + 0
	ldd	F_RE,x
	beq	91$		; 0 +
	subd	F_BE,x		; the difference of the exponents
	bmi	10$
	bne	11$
	ldd	F_RM,x		; the same exponent: the larger mantissa to R
	cpd	F_BM,x
	bhi	21$
	blo	12$
	ldaa	F_RM+2,x
	cmpa	F_BM+2,x
	bhs	21$
	bra	12$
10$:	coma			; B the larger
	comb
	addd	#1
	cpd	#26
	bhs	91$
12$:	ldd	F_RS,x		; R and B change places (sign, exponent and
	ldy	F_BS,x		; mantissa lie alike; the guard bytes are 0)
	std	F_BS,x
	sty	F_RS,x
	ldd	F_RS+2,x
	ldy	F_BS+2,x
	std	F_BS+2,x
	sty	F_RS+2,x
	ldd	F_RS+4,x
	ldy	F_BS+4,x
	std	F_BS+4,x
	sty	F_RS+4,x
	ldd	F_RE,x
	subd	F_BE,x
11$:	cpd	#26
	bhs	90$		; too small to count
	tstb
	beq	21$
	clr	F_T,x		; what leaves the guard byte
2$:	cmpb	#8
	blo	3$
	ldaa	F_BM+3,x
	oraa	F_T,x
	staa	F_T,x
	ldaa	F_BM+2,x
	staa	F_BM+3,x
	ldaa	F_BM+1,x
	staa	F_BM+2,x
	ldaa	F_BM,x
	staa	F_BM+1,x
	clr	F_BM,x
	subb	#8
	bra	2$
3$:	tstb
	beq	5$
4$:	lsr	F_BM,x
	ror	F_BM+1,x
	ror	F_BM+2,x
	ror	F_BM+3,x
	bcc	6$
	inc	F_T,x
6$:	decb
	bne	4$
5$:	tst	F_T,x
	beq	21$
	bset	F_BM+3,x,#1	; sticky
21$:	ldaa	F_RS,x
	eora	F_BS,x
	bmi	22$
	ldd	F_RM+2,x
	addd	F_BM+2,x
	std	F_RM+2,x
	ldd	F_RM,x
	adcb	F_BM+1,x
	adca	F_BM,x
	std	F_RM,x
	bcc	90$
	ror	F_RM,x		; the carry back in, one more in the exponent
	ror	F_RM+1,x
	ror	F_RM+2,x
	ror	F_RM+3,x
	bcc	7$
	bset	F_RM+3,x,#1
7$:	ldd	F_RE,x
	addd	#1
	std	F_RE,x
8$:	ldd	F_RE,x
	bne	90$
	ldaa	F_RS,x		; 0 + 0 is -0 only when both are -0
	anda	F_BS,x
	staa	F_RS,x
90$:	jmp	c__fpack
91$:	ldab	#F_BS
	abx
	jmp	c__fpack

22$:	ldd	F_RM+2,x
	subd	F_BM+2,x
	std	F_RM+2,x
	ldd	F_RM,x
	sbcb	F_BM+1,x
	sbca	F_BM,x
	std	F_RM,x
	bmi	90$		; normalised
	bne	23$
	ldd	F_RM+2,x
	bne	23$
	std	F_RE,x		; x - x = +0
	clr	F_RS,x
	jmp	c__fpack
23$:	tst	F_RM,x		; whole bytes first
	bne	25$
	ldd	F_RM+1,x
	std	F_RM,x
	ldaa	F_RM+3,x
	staa	F_RM+2,x
	clr	F_RM+3,x
	ldd	F_RE,x
	subd	#8
	std	F_RE,x
	bra	23$
24$:	lsl	F_RM+3,x
	rol	F_RM+2,x
	rol	F_RM+1,x
	rol	F_RM,x
	ldd	F_RE,x
	subd	#1
	std	F_RE,x
25$:	tst	F_RM,x
	bpl	24$
	jmp	c__fpack

	end
