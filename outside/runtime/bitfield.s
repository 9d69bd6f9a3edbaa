; Long bit-fields. The descriptor word after the call is offset * 256 +
; width: the field's lowest bit counted from bit 0 of the 4-byte unit, and
; its width (1..32).
;	c_bfget		the long register = the field of the long register,
;			shifted down and zero-extended
;	c_bfput		the unit at Y = its bits outside the field, and the
;			low width bits of the long register in the field;
;			Y kept
; Both keep X and Y; they work on copies in a frame.
	xdef	c_bfget, c_bfput

	switch	.text
; Frame: 0 offset, 1 width, 2 the value (4), 6 X, 8 Y, 10 the return
; address.
c_bfget:
	pshy
	pshx
	pshb
	psha
	ldd	2,x
	pshb
	psha
	des
	des
	tsx
	ldy	10,x
	ldd	0,y
	std	0,x		; offset, width
	iny
	iny
	sty	10,x		; return past the descriptor
	tsy
	iny
	iny			; Y at the value
	ldab	0,x
	bsr	shr4
	ldab	1,x
	bsr	c_bf_low4
	ldy	6,x
	ldd	2,x
	std	2,y		; the high word
	ldab	#4
	abx
	txs
	pula			; the low word
	pulb
	pulx
	puly
	rts

; Frame: 0 offset, 1 width, 2 the mask (4), 6 the value (4), 10 X, 12 Y,
; 14 the return address.
c_bfput:
	pshy
	pshx
	pshb
	psha
	ldd	2,x
	pshb
	psha
	ldd	#$FFFF
	pshb
	psha
	pshb
	psha
	des
	des
	tsx
	ldy	14,x
	ldd	0,y
	std	0,x
	iny
	iny
	sty	14,x
	tsy
	ldab	#6
	aby			; the value: to the width, then into place
	ldab	1,x
	bsr	c_bf_low4
	ldab	0,x
	bsr	c_bf_shl4
	tsy
	iny
	iny			; the mask likewise
	ldab	1,x
	bsr	c_bf_low4
	ldab	0,x
	bsr	c_bf_shl4
	ldy	12,x		; the unit
	ldd	2,x
	coma
	comb
	anda	0,y
	andb	1,y
	oraa	6,x
	orab	7,x
	std	0,y
	ldd	4,x
	coma
	comb
	anda	2,y
	andb	3,y
	oraa	8,x
	orab	9,x
	std	2,y
	ldab	#10
	abx
	txs
	pulx
	puly
	rts

; The 4 bytes at Y shifted right (shr4) or left (c_bf_shl4) by B bits.
shr4:	cmpb	#8
	blo	2$
	ldaa	2,y
	staa	3,y
	ldaa	1,y
	staa	2,y
	ldaa	0,y
	staa	1,y
	clr	0,y
	subb	#8
	bra	shr4
2$:	tstb
	beq	4$
3$:	lsr	0,y
	ror	1,y
	ror	2,y
	ror	3,y
	decb
	bne	3$
4$:	rts

c_bf_shl4:
	cmpb	#8
	blo	2$
	ldaa	1,y
	staa	0,y
	ldaa	2,y
	staa	1,y
	ldaa	3,y
	staa	2,y
	clr	3,y
	subb	#8
	bra	c_bf_shl4
2$:	tstb
	beq	4$
3$:	lsl	3,y
	rol	2,y
	rol	1,y
	rol	0,y
	decb
	bne	3$
4$:	rts

; Keeps the low B bits of the 4 bytes at Y (all of them for 32 or more).
c_bf_low4:
	cmpb	#32
	bhs	4$
	negb
	addb	#32		; the bits to clear, from the top
	pshy
1$:	cmpb	#8
	blo	2$
	clr	0,y
	iny
	subb	#8
	bra	1$
2$:	tstb
	beq	3$
	ldaa	#$FF
5$:	lsra
	decb
	bne	5$
	anda	0,y
	staa	0,y
3$:	puly
4$:	rts

	end
