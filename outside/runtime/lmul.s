; Long multiplication (the low 32 bits).
;	c_lmul			the long register *= the long at Y
;	c_lmula			the same, Y kept
;	c_lgmul, c_lgmula	the long at Y *= the long register; D, Y kept
;
; x = x0:x1:x2:x3 = xh:xl is the long register, y = y0:y1:y2:y3 the long
; at Y (bytes, most significant first). The product P is xl*yl (four byte
; products) + ((xh*yl + xl*yh) mod 2^16) << 16 (six more byte products,
; each taken to 16 or 8 bits). Neither operand is written before P is
; complete.
	xdef	c_lmul, c_lmula, c_lgmul, c_lgmula

; P on the stack. xh's products come first, while X is still the caller's;
; then the frame (X = SP+1): P high at 0..1, P low at 2..3, xl at 4..5,
; the caller's X at 6.
product: macro
	pshx
	pshb
	psha			; xl
	ldaa	3,y		; x3 * y3 (x3 in B)
	mul
	pshb
	psha			; P low
	ldaa	3,x		; x1 * y3
	ldab	3,y
	mul
	pshb
	psha			; P high
	ldaa	2,x		; x0 * y3
	ldab	3,y
	mul
	pshb
	ldaa	3,x		; x1 * y2
	ldab	2,y
	mul
	pula
	aba			; the low bytes of x0*y3 and x1*y2
	tsx
	adda	0,x
	staa	0,x
	ldaa	4,x		; x2 * y2
	ldab	2,y
	mul
	addd	0,x
	std	0,x
	ldaa	4,x		; x2 * y3
	ldab	3,y
	mul
	addd	1,x
	std	1,x
	bcc	\@1
	inc	0,x
\@1:	ldaa	5,x		; x3 * y2
	ldab	2,y
	mul
	addd	1,x
	std	1,x
	bcc	\@2
	inc	0,x
\@2:	ldaa	5,x		; x3 * y1
	ldab	1,y
	mul
	addd	0,x
	std	0,x
	ldaa	4,x		; x2 * y1
	ldab	1,y
	mul
	addb	0,x
	stab	0,x
	ldaa	5,x		; x3 * y0
	ldab	0,y
	mul
	addb	0,x
	stab	0,x
	endm

	switch	.text
c_lmula:
	pshy
	bsr	c_lmul
	puly
	rts

c_lmul:
	product
	puly			; P high
	pula
	pulb			; P low
	pulx
	pulx
	sty	2,x		; into the caller's long register
	rts

; The long at Y gets P; D comes back from the frame.
c_lgmula:
c_lgmul:
	product
	ldd	0,x
	std	0,y
	ldd	2,x
	std	2,y
	pulx
	pulx
	pula
	pulb
	pulx
	rts

	end
