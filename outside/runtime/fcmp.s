; Float comparison and negation.
;	c_fcmp	compares the long register with the float at Y, keeping
;		every register; the flags are those of a signed subtraction:
;		Z when equal, N xor V when less
;	c_fneg	the long register = -itself
; Each float becomes a key, a signed long in the order of the values: 0 for
; an exponent field of 0 (so -0 equals 0), the largest finite value for an
; exponent field of 255, and the magnitude negated for a negative float.
	xdef	c_fcmp, c_fneg

	switch	.text
c_fcmp:
	pshy
	pshx
	pshb
	psha
	ldd	2,y		; the key of the float at Y
	pshb
	psha
	ldd	0,y
	pshb
	psha
	tsy
	ldd	4,y		; the key of the long register
	pshb
	psha
	ldd	2,x
	pshb
	psha
	tsy			; the keys at 0 and 4
	bsr	key
	iny
	iny
	iny
	iny
	bsr	key
	tsy
	ldd	0,y
	cpd	4,y
	bne	2$		; the high words decide
	ldd	2,y
	cpd	6,y
	bhi	1$
	beq	2$
	tst	minus
	bra	2$
1$:	tst	plus
2$:	ins
	ins
	ins
	ins
	ins
	ins
	ins
	ins
	pula
	pulb
	pulx
	puly
	rts

; The float at Y becomes its key.
key:	tst	0,y
	bmi	1$
	bra	mag
1$:	bclr	0,y,#$80
	bsr	mag
	ldd	#0
	subd	2,y
	std	2,y
	ldd	#0
	sbcb	1,y
	sbca	0,y
	std	0,y
	rts
mag:	ldd	0,y
	lsld
	tsta
	beq	2$
	cmpa	#$FF
	bne	3$
	ldd	#$7F7F
	std	0,y
	ldd	#$FFFF
	std	2,y
3$:	rts
2$:	clra
	clrb
	std	0,y
	std	2,y
	rts

plus:	dc.b	1
minus:	dc.b	$80

; The sign flips; a float whose exponent field is 0 becomes 0 of the new
; sign.
c_fneg:
	brclr	2,x,#$7F,2$
1$:	brset	2,x,#$80,3$
	bset	2,x,#$80
	rts
3$:	bclr	2,x,#$80
	rts
2$:	brset	3,x,#$80,1$
	clr	3,x		; 0
	clra
	clrb
	brset	2,x,#$80,4$
	ldaa	#$80
4$:	staa	2,x
	clra
	rts

	end
