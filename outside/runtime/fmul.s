; Float multiplication (fcore.s has the rules of the format).
;	c_fmul, c_fmula		the long register *= the float at Y; Y kept
;	c_fgmul, c_fgmula	the float at Y *= the long register; D, Y kept
; The 48-bit product of the mantissas comes from nine byte products; its
; top 24 bits are the mantissa, the next 8 the guard byte, and the rest
; sticks in the guard byte's lowest bit.
	include	"float.h11"
	xdef	c_fmul, c_fmula, c_fgmul, c_fgmula
	xref	c__fpack

	switch	.text
c_fmul:
c_fmula:
	pshy
	pshb
	psha
	clrb
	fop_lr	core
c_fgmul:
c_fgmula:
	pshy
	pshb
	psha
	clrb
	fop_g	core

; a0 a1 a2 at F_RM, b0 b1 b2 at F_BM, the product p0 .. p5 at F_P.
core:
	ldaa	F_RS,x
	eora	F_BS,x
	staa	F_RS,x
	ldd	F_RE,x
	beq	zero
	ldd	F_BE,x
	beq	zero
	addd	F_RE,x
	subd	#127
	std	F_RE,x
	ldaa	F_RM+2,x	; a2 b2 at p4
	ldab	F_BM+2,x
	mul
	std	F_P+4,x
	ldaa	F_RM,x		; a0 b0 at p0
	ldab	F_BM,x
	mul
	std	F_P,x
	ldaa	F_RM+1,x	; a1 b1 at p2
	ldab	F_BM+1,x
	mul
	std	F_P+2,x
	ldaa	F_RM+1,x	; a1 b2 at p3
	ldab	F_BM+2,x
	mul
	addd	F_P+3,x
	std	F_P+3,x
	bcc	1$
	inc	F_P+2,x
	bne	1$
	inc	F_P+1,x
	bne	1$
	inc	F_P,x
1$:	ldaa	F_RM+2,x	; a2 b1 at p3
	ldab	F_BM+1,x
	mul
	addd	F_P+3,x
	std	F_P+3,x
	bcc	2$
	inc	F_P+2,x
	bne	2$
	inc	F_P+1,x
	bne	2$
	inc	F_P,x
2$:	ldaa	F_RM,x		; a0 b2 at p2
	ldab	F_BM+2,x
	mul
	addd	F_P+2,x
	std	F_P+2,x
	bcc	3$
	inc	F_P+1,x
	bne	3$
	inc	F_P,x
3$:	ldaa	F_RM+2,x	; a2 b0 at p2
	ldab	F_BM,x
	mul
	addd	F_P+2,x
	std	F_P+2,x
	bcc	4$
	inc	F_P+1,x
	bne	4$
	inc	F_P,x
4$:	ldaa	F_RM,x		; a0 b1 at p1
	ldab	F_BM+1,x
	mul
	addd	F_P+1,x
	std	F_P+1,x
	bcc	5$
	inc	F_P,x
5$:	ldaa	F_RM+1,x	; a1 b0 at p1
	ldab	F_BM,x
	mul
	addd	F_P+1,x
	std	F_P+1,x
	bcc	6$
	inc	F_P,x
6$:	tst	F_P,x		; 2.0 or more: one more in the exponent
	bmi	7$
	lsl	F_P+5,x		; else one bit left
	rol	F_P+4,x
	rol	F_P+3,x
	rol	F_P+2,x
	rol	F_P+1,x
	rol	F_P,x
	bra	8$
7$:	ldd	F_RE,x
	addd	#1
	std	F_RE,x
8$:	ldd	F_P,x
	std	F_RM,x
	ldd	F_P+2,x
	std	F_RM+2,x
	ldd	F_P+4,x
	beq	9$
	bset	F_RM+3,x,#1	; sticky
9$:	jmp	c__fpack

zero:	clra
	clrb
	std	F_RE,x
	std	F_RM,x
	jmp	c__fpack

	end
