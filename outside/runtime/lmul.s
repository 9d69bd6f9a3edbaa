; Long multiplication (the low 32 bits).
;	c_lmul			the long register *= the long at Y
;	c_lmula			the same, Y kept
;	c_lgmul, c_lgmula	the long at Y *= the long register; D, Y kept
;
; The frame (X = SP+1): the product P at 0..3, the long register at 4..7
; (x = xh:xl), the caller's X at 8; y = yh:yl at Y. The product is
; xl*yl (four byte products) + ((xh*yl + xl*yh) mod 2^16) << 16 (six more
; byte products, each taken to 16 or 8 bits).
	xdef	c_lmul, c_lmula, c_lgmul, c_lgmula

	switch	.text
c_lmula:
	pshy
	bsr	c_lmul
	puly
	rts

c_lmul:
	pshx
	pshb
	psha
	ldd	2,x
	pshb
	psha
	pshx
	pshx
	tsx
	bsr	product
	ldy	8,x		; the caller's X
	ldd	0,x
	std	2,y		; the high word
	ldd	2,x
	std	6,x		; the low word, pulled below
done:	ldab	#6
	abx
	txs
	pula
	pulb
	pulx
	rts

c_lgmula:
c_lgmul:
	pshx
	pshb
	psha
	ldd	2,x
	pshb
	psha
	pshx
	pshx
	tsx
	bsr	product
	ldd	0,x
	std	0,y
	ldd	2,x
	std	2,y
	bra	done		; D comes back from the frame

product:
	ldaa	7,x		; xl * yl
	ldab	3,y
	mul
	std	2,x
	ldaa	6,x
	ldab	2,y
	mul
	std	0,x
	ldaa	6,x
	ldab	3,y
	mul
	addd	1,x
	std	1,x
	bcc	1$
	inc	0,x
1$:	ldaa	7,x
	ldab	2,y
	mul
	addd	1,x
	std	1,x
	bcc	2$
	inc	0,x
2$:	ldaa	5,x		; xh * yl
	ldab	3,y
	mul
	addd	0,x
	std	0,x
	ldaa	4,x
	ldab	3,y
	mul
	addb	0,x
	stab	0,x
	ldaa	5,x
	ldab	2,y
	mul
	addb	0,x
	stab	0,x
	ldaa	7,x		; xl * yh
	ldab	1,y
	mul
	addd	0,x
	std	0,x
	ldaa	6,x
	ldab	1,y
	mul
	addb	0,x
	stab	0,x
	ldaa	7,x
	ldab	0,y
	mul
	addb	0,x
	stab	0,x
	rts

	end
