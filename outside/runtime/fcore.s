; Rounding and packing of the float operations.
;
; Floats are IEEE single. An operand whose exponent field is 0 is 0 (the
; routines have no denormals); one whose exponent field is 255 (infinity
; or NaN) is read as the largest finite value of its sign. A result is
; rounded to nearest, ties to even; one too large becomes the largest
; finite value of its sign, one below the smallest normal value becomes 0
; of its sign, except that a result IEEE rounds up to the smallest normal
; value from below it becomes that value. Zeros have signs as in IEEE.
	include	"float.h11"
	xdef	c__fpack

	switch	.text
; Rounds the result R: the packed float's high word into D, its low word
; into Y. Only R's fields are read (X may point at the fields B, which
; are laid out alike).
c__fpack:
	ldd	F_RE,x
	subd	#1
	cpd	#253
	bhi	5$		; exponent 0 or below, or 255 or more
	ldaa	F_RM+3,x	; the guard byte
	bmi	1$
2$:	ldy	F_RM+1,x
	ldab	F_RM,x		; exponent and mantissa without the hidden bit,
	lslb			; and the sign
	ldaa	F_RS,x
	lsla
	ldaa	F_RE+1,x
	rora
	rorb
	rts
1$:	cmpa	#$80
	bne	3$
	brclr	F_RM+2,x,#1,2$	; a tie: an even mantissa stays
3$:	inc	F_RM+2,x
	bne	2$
	inc	F_RM+1,x
	bne	2$
	inc	F_RM,x
	bne	2$
	ldaa	#$80		; 2.0: 1.0 and one more in the exponent
	staa	F_RM,x
	ldd	F_RE,x
	addd	#1
	std	F_RE,x
	cpd	#255
	blo	2$
	bra	7$
5$:	ldd	F_RE,x
	bgt	7$		; too large
	bne	6$		; exponent 0 with the mantissa all ones rounds
	ldaa	F_RM,x		; to the smallest normal value
	anda	F_RM+1,x
	anda	F_RM+2,x
	cmpa	#$FF
	bne	6$
	ldy	#0
	ldd	#$0080
	bra	8$
6$:	ldy	#0		; 0 of the result's sign
	clra
	clrb
	bra	8$
7$:	ldy	#$FFFF		; the largest finite value
	ldd	#$7F7F
8$:	tst	F_RS,x
	bpl	9$
	oraa	#$80
9$:	rts

	end
