; Signed division of ints, truncating toward 0; the remainder takes the
; dividend's sign. A divisor of 0 gives the quotient 0 and the dividend as
; remainder; -32768 / -1 is -32768 and -32768 % -1 is 0.
;	c_idiv, c_idiva		D = D / Y (c_idiva keeps Y)
;	c_imod, c_imoda		D = D % Y (c_imoda keeps Y)
;	c_idivb			D / k, k the signed byte after the call:
;				quotient in B, remainder in A
; The magnitudes go through the idiv instruction.
	xdef	c_idiv, c_idiva, c_imod, c_imoda, c_idivb

	switch	.text
c_idiva:
	pshy
	bsr	c_idiv
	puly
	rts

c_imoda:
	pshy
	bsr	c_imod
	puly
	rts

; Frame: 0,x the sign byte (bit 7 set for a negative result), 1,x X.
c_idiv:
	pshx
	psha			; the dividend's sign
	tsta
	bpl	1$
	coma
	comb
	addd	#1
1$:	xgdy			; Y = |dividend|
	tsta
	bpl	2$
	tsx
	com	0,x		; a negative divisor flips the sign
	coma
	comb
	addd	#1
2$:	xgdx			; X = |divisor|
	xgdy			; D = |dividend|
	cpx	#0
	beq	4$
	idiv
	xgdx			; D = the quotient
	tsx
	tst	0,x
	bpl	3$
	coma
	comb
	addd	#1
3$:	ins
	pulx
	rts
4$:	clra
	clrb
	bra	3$

c_imod:
	pshx
	psha
	tsta
	bpl	1$
	coma
	comb
	addd	#1
1$:	xgdy
	tsta
	bpl	2$
	coma
	comb
	addd	#1
2$:	xgdx
	xgdy
	cpx	#0
	beq	3$		; the remainder of x / 0 is x
	idiv
3$:	tsx
	tst	0,x
	bpl	4$
	coma
	comb
	addd	#1
4$:	ins
	pulx
	rts

; Frame: 0,x the quotient's sign, 1,x the remainder's, 2,x Y, 4,x X,
; 6,x the return address.
c_idivb:
	pshx
	pshy
	psha
	psha
	tsx
	ldy	6,x
	iny			; return past the byte
	sty	6,x
	dey			; Y at k
	tst	0,y
	bpl	1$
	com	0,x
1$:	tsta
	bpl	2$
	coma
	comb
	addd	#1
2$:	pshb
	psha			; |dividend|
	ldab	0,y
	bpl	3$
	negb			; |k|; -128 is 128 unsigned
3$:	clra
	xgdx			; X = |k|
	pula
	pulb
	cpx	#0
	beq	4$
	idiv			; X = the quotient, D = the remainder
	bra	5$
4$:	ldx	#0		; x / 0: quotient 0, remainder x
5$:	tsy
	tst	1,y
	bpl	6$
	negb
6$:	stab	1,y		; the remainder's low byte
	xgdx
	tst	0,y
	bpl	7$
	negb			; the quotient's low byte
7$:	ldaa	1,y
	ins
	ins
	puly
	pulx
	rts

	end
