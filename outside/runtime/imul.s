; Products of ints (the low 16 bits).
;	c_imul, c_imula		D = D * Y; Y kept
;	c_imul10		D = D * 10
;	c_imulb			D = D * k, k the signed byte after the call
; With D = a:b and a factor c:d, the low word is b*d + ((a*d + b*c) << 8).
	xdef	c_imul, c_imula, c_imul10, c_imulb

	switch	.text
c_imul:
c_imula:
	pshy
	pshb
	psha
	tsy			; a, b, c, d at 0..3,y
	ldab	3,y		; a*d
	mul
	stab	0,y
	ldaa	1,y		; b*c
	ldab	2,y
	mul
	addb	0,y
	stab	0,y
	ldaa	1,y		; b*d
	ldab	3,y
	mul
	adda	0,y
	ins
	ins
	puly
	rts

c_imul10:
	pshy
	lsld			; 2D
	pshb
	psha
	lsld
	lsld			; 8D
	tsy
	addd	0,y
	ins
	ins
	puly
	rts

; A negative k multiplies by k+256 and takes b << 8 off.
c_imulb:
	pshx
	pshy
	pshb
	psha
	tsx			; a, b at 0..1, Y, X, the return address at 6
	ldy	6,x
	ldab	0,y		; a*k
	mul
	stab	0,x
	ldaa	1,x		; b*k
	ldab	0,y
	mul
	adda	0,x
	tst	0,y
	bpl	1$
	suba	1,x
1$:	iny			; return past the byte
	sty	6,x
	ins
	ins
	puly
	pulx
	rts

	end
