; Long addition, subtraction, bitwise operations and negation.
;	c_ladd, c_lsub, c_land, c_lor, c_lxor
;		the long register op= the long at Y; Y kept
;	c_lgadd, c_lgsub, c_lgand, c_lgor, c_lgxor
;		the long at Y = itself op the long register; Y kept
;	c_lneg	the long register = -itself
; The long register is the high word at 2,x and the low word in D.
	xdef	c_ladd, c_lsub, c_land, c_lor, c_lxor
	xdef	c_lgadd, c_lgsub, c_lgand, c_lgor, c_lgxor, c_lneg

	switch	.text
c_ladd:
	addd	2,y
	pshb
	psha
	ldd	2,x		; the carry stays
	adcb	1,y
	adca	0,y
	std	2,x
	pula
	pulb
	rts

c_lsub:
	subd	2,y
	pshb
	psha
	ldd	2,x
	sbcb	1,y
	sbca	0,y
	std	2,x
	pula
	pulb
	rts

c_land:
	anda	2,y
	andb	3,y
	pshb
	psha
	ldd	2,x
	anda	0,y
	andb	1,y
	std	2,x
	pula
	pulb
	rts

c_lor:
	oraa	2,y
	orab	3,y
	pshb
	psha
	ldd	2,x
	oraa	0,y
	orab	1,y
	std	2,x
	pula
	pulb
	rts

c_lxor:
	eora	2,y
	eorb	3,y
	pshb
	psha
	ldd	2,x
	eora	0,y
	eorb	1,y
	std	2,x
	pula
	pulb
	rts

c_lgadd:
	addd	2,y
	std	2,y
	ldd	2,x
	adcb	1,y
	adca	0,y
	std	0,y
	rts

; M - LR = M + ~LR + 1; eor keeps the carry, com would not.
c_lgsub:
	coma
	comb
	sec
	adcb	3,y
	adca	2,y
	std	2,y
	ldd	2,x
	eora	#$FF
	eorb	#$FF
	adcb	1,y
	adca	0,y
	std	0,y
	rts

c_lgand:
	anda	2,y
	andb	3,y
	std	2,y
	ldd	2,x
	anda	0,y
	andb	1,y
	std	0,y
	rts

c_lgor:
	oraa	2,y
	orab	3,y
	std	2,y
	ldd	2,x
	oraa	0,y
	orab	1,y
	std	0,y
	rts

c_lgxor:
	eora	2,y
	eorb	3,y
	std	2,y
	ldd	2,x
	eora	0,y
	eorb	1,y
	std	0,y
	rts

c_lneg:
	com	2,x
	com	3,x
	coma
	comb
	addd	#1
	bne	1$		; no carry into the high word
	inc	3,x
	bne	1$
	inc	2,x
1$:	rts

	end
