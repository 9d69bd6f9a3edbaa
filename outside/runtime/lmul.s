; Long multiplication (the low 32 bits).
;	c_lmul			the long register *= the long at Y
;	c_lmula			the same, Y kept
;	c_lgmul, c_lgmula	the long at Y *= the long register; D, Y kept
;
; The frame (X = SP+1): the long register x = xh:xl at 0..3, the product P
; at 4..7, the caller's X at 8; y = yh:yl at Y. The product is xl*yl (four
; byte products) + ((xh*yl + xl*yh) mod 2^16) << 16 (six more byte
; products, each taken to 16 or 8 bits). P's low word lies where the end
; pulls D from.
	xdef	c_lmul, c_lmula, c_lgmul, c_lgmula

; The frame, then the product.
product: macro
	pshx
	pshx			; P: every byte is stored before it is added to
	pshx
	pshb
	psha
	ldd	2,x
	pshb
	psha
	tsx
	ldaa	3,x		; xl * yl
	ldab	3,y
	mul
	std	6,x
	ldaa	2,x
	ldab	2,y
	mul
	std	4,x
	ldaa	2,x
	ldab	3,y
	mul
	addd	5,x
	std	5,x
	bcc	\@1
	inc	4,x
\@1:	ldaa	3,x
	ldab	2,y
	mul
	addd	5,x
	std	5,x
	bcc	\@2
	inc	4,x
\@2:	ldaa	1,x		; xh * yl
	ldab	3,y
	mul
	addd	4,x
	std	4,x
	ldaa	0,x
	ldab	3,y
	mul
	addb	4,x
	stab	4,x
	ldaa	1,x
	ldab	2,y
	mul
	addb	4,x
	stab	4,x
	ldaa	3,x		; xl * yh
	ldab	1,y
	mul
	addd	4,x
	std	4,x
	ldaa	2,x
	ldab	1,y
	mul
	addb	4,x
	stab	4,x
	ldaa	3,x
	ldab	0,y
	mul
	addb	4,x
	stab	4,x
	endm

	switch	.text
c_lmula:
	pshy
	bsr	c_lmul
	puly
	rts

c_lmul:
	product
	ldy	8,x		; the high word into the caller's long register
	ldd	4,x
	std	2,y
	ldab	#6
	abx
	txs
	pula			; the low word
	pulb
	pulx
	rts

; The long at Y gets P; D comes back from the frame.
c_lgmula:
c_lgmul:
	product
	ldd	4,x
	std	0,y
	ldd	6,x
	std	2,y
	ldd	2,x
	std	6,x
	ldab	#6
	abx
	txs
	pula
	pulb
	pulx
	rts

	end
