; Block moves with the byte count after the call, from the address in D to
; the address in Y, first byte first (the destination never lies above an
; overlapping source). X is kept.
;	c_movstb	dc.b n (1..255)
;	c_movstw	dc.w n
	xdef	c_movstb, c_movstw

	switch	.text
c_movstb:
	pshx
	pshy
	tsy			; Y, X, the return address at 4
	xgdx			; X = the source
	ldd	4,y
	addd	#1
	std	4,y		; return past the count
	xgdy
	dey
	ldab	0,y		; n
	puly
	tstb
	beq	2$
1$:	ldaa	0,x
	staa	0,y
	inx
	iny
	decb
	bne	1$
2$:	pulx
	rts

c_movstw:
	pshx
	pshy
	tsy
	xgdx
	ldd	4,y
	addd	#2
	std	4,y
	xgdy
	dey
	dey
	ldd	0,y		; n: A whole 256-byte blocks, B more bytes
	puly
	psha
	tstb
	beq	3$
1$:	ldaa	0,x
	staa	0,y
	inx
	iny
	decb
	bne	1$
3$:	pula
	tsta
	beq	4$
	deca
	psha
	bra	1$		; B = 0: a block of 256
4$:	pulx
	rts

	end
