; 16 x 16 to 32-bit products into the long register (high word at 2,x,
; low word in D); Y is kept. With D = a:b and Y = c:d the product is
; (a*c << 16) + ((a*d + b*c) << 8) + b*d; the signed one then takes Y off
; the high word when D is negative, and D when Y is.
;	c_ulmla		unsigned
;	c_slmla		signed
; And the widening of an int:
;	c_itol		the long register = D sign-extended
	xdef	c_ulmla, c_slmla, c_itol

	switch	.text
c_ulmla:
	pshy
	pshb
	psha
	des
	des
	bsr	umul
	puly			; the low word
	xgdy
	ins
	ins
	puly
	rts

c_slmla:
	pshy
	pshb
	psha
	des
	des
	bsr	umul
	tsy			; low word at 0,y, a:b at 2,y, c:d at 4,y
	tst	2,y
	bpl	1$
	ldd	2,x
	subd	4,y
	std	2,x
1$:	tst	4,y
	bpl	2$
	ldd	2,x
	subd	2,y
	std	2,x
2$:	puly
	xgdy
	ins
	ins
	puly
	rts

; The unsigned product: the low word at 2,y, a:b at 4,y, c:d at 6,y (the
; return address is at 0,y), the high word into 2,x.
umul:
	tsy
	ldaa	5,y		; b*d
	ldab	7,y
	mul
	std	2,y
	ldaa	4,y		; a*c
	ldab	6,y
	mul
	std	2,x
	ldaa	4,y		; a*d
	ldab	7,y
	mul
	addb	2,y
	stab	2,y
	adca	3,x
	staa	3,x
	bcc	1$
	inc	2,x
1$:	ldaa	5,y		; b*c
	ldab	6,y
	mul
	addb	2,y
	stab	2,y
	adca	3,x
	staa	3,x
	bcc	2$
	inc	2,x
2$:	rts

c_itol:
	clr	2,x
	clr	3,x
	tsta
	bpl	1$
	com	2,x
	com	3,x
1$:	rts

	end
