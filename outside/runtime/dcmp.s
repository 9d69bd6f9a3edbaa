; Double comparison and negation.
;	c_dcmp	compares the double at Y with the double at D, keeping every
;		register; the flags are those of a signed subtraction: Z when
;		equal, N xor V when less
;	c_dneg	the double at Y = -itself; every register kept
; As for floats, each double becomes a key, a signed 64-bit number in the
; order of the values: 0 for an exponent field of 0, the largest finite
; value for 2047, and the magnitude negated for a negative double.
	xdef	c_dcmp, c_dneg

	switch	.text
c_dcmp:
	pshy
	pshx
	pshb
	psha
	xgdx			; X at the right double
	ldd	6,x		; copies: the right one, then the left one
	pshb
	psha
	ldd	4,x
	pshb
	psha
	ldd	2,x
	pshb
	psha
	ldd	0,x
	pshb
	psha
	ldd	6,y
	pshb
	psha
	ldd	4,y
	pshb
	psha
	ldd	2,y
	pshb
	psha
	ldd	0,y
	pshb
	psha
	tsy			; the keys at 0 and 8
	bsr	key
	ldab	#8
	aby
	bsr	key
	tsx
	ldab	#16
	abx			; X: the stack without the keys, for txs below
	tsy
	ldd	0,y
	cpd	8,y
	bne	2$		; the high words decide
	ldd	2,y
	cpd	10,y
	bne	1$
	ldd	4,y
	cpd	12,y
	bne	1$
	ldd	6,y
	cpd	14,y
	beq	2$
1$:	bhi	3$
	tst	minus
	bra	2$
3$:	tst	plus
2$:	txs
	pula
	pulb
	pulx
	puly
	rts

; The double at Y becomes its key.
key:	tst	0,y
	bpl	mag
	bclr	0,y,#$80
	bsr	mag
	ldd	#0
	subd	6,y
	std	6,y
	ldd	#0
	sbcb	5,y
	sbca	4,y
	std	4,y
	ldd	#0
	sbcb	3,y
	sbca	2,y
	std	2,y
	ldd	#0
	sbcb	1,y
	sbca	0,y
	std	0,y
	rts
mag:	ldd	0,y		; the sign is clear
	tsta
	bne	1$
	cmpb	#$10
	bhs	3$
	clra			; exponent 0: 0
	clrb
	std	0,y
	std	2,y
	std	4,y
	std	6,y
	rts
1$:	cmpa	#$7F
	bne	3$
	cmpb	#$F0
	blo	3$
	ldd	#$7FEF		; exponent 2047: the largest finite value
	std	0,y
	ldd	#$FFFF
	std	2,y
	std	4,y
	std	6,y
3$:	rts

plus:	dc.b	1
minus:	dc.b	$80

; The sign flips; a double whose exponent field is 0 becomes 0 of the new
; sign.
c_dneg:
	brclr	0,y,#$7F,2$
1$:	brset	0,y,#$80,3$
	bset	0,y,#$80
	rts
3$:	bclr	0,y,#$80
	rts
2$:	brclr	1,y,#$F0,4$
	bra	1$
4$:	clr	1,y
	clr	2,y
	clr	3,y
	clr	4,y
	clr	5,y
	clr	6,y
	clr	7,y
	brset	0,y,#$80,5$
	bset	0,y,#$80
	rts
5$:	clr	0,y
	rts

	end
