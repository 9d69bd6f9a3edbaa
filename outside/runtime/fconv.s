; Conversions between floats and integers.
;	c_itof, c_uitof		the long register = D (int, unsigned) as a float
;	c_ltof, c_ultof		the long register = itself (long, unsigned
;				long) as a float, rounded to nearest, ties to
;				even
;	c_ftoi			D = the float in the long register as an int
;	c_ftol			the long register = itself as a long
; Float to integer truncates toward 0; a value beyond the range gives the
; nearest end of it (an exponent field of 255 counts as the largest value,
; one of 0 as 0). The range of c_ftol is -2^31 to 2^32 - 1, so that it
; serves long and unsigned long targets alike (a value from 2^31 up gives
; its 32 bits). Y is kept; the long register's slot at 2,x serves the
; routines that make a float as a place for the sign and the exponent.
	xdef	c_itof, c_uitof, c_ltof, c_ultof, c_ftoi, c_ftol

	switch	.text
c_itof:
	clr	2,x
	tsta
	bpl	tof
	coma
	comb
	addd	#1
	bset	2,x,#$80
	bra	tof
c_uitof:
	clr	2,x
; D unsigned, the sign at 2,x: exponent 142 for bit 15, less one per step
tof:	psha
	ldaa	#142
	staa	3,x
	pula
	tsta
	bne	2$
	tstb
	beq	zero
	tba			; by 8 at once
	clrb
	psha
	ldaa	#134
	staa	3,x
	pula
	bra	2$
1$:	lsld
	dec	3,x
2$:	tsta
	bpl	1$
	pshb			; the low word's high byte
	ldab	3,x
	lsla			; without the hidden bit
	psha
	tba
	pulb
	lsrd			; exponent and the mantissa's top 7 bits
	oraa	2,x
	std	2,x
	pula
	clrb
	rts
zero:	clr	2,x
	clr	3,x
	rts

; Frame of c_ltof and c_ultof (Y = SP+1): the magnitude (4 bytes), Y.
c_ultof:
	pshy
	pshb
	psha
	ldd	2,x
	pshb
	psha
	tsy
	clra
	bra	tofl
c_ltof:
	pshy
	pshb
	psha
	ldd	2,x
	pshb
	psha
	tsy
	clra
	tst	0,y
	bpl	tofl
	ldd	#0		; the magnitude
	subd	2,y
	std	2,y
	ldd	#0
	sbcb	1,y
	sbca	0,y
	std	0,y
	ldaa	#$80
tofl:	staa	2,x		; the sign
	ldaa	#158		; the exponent of bit 31
	staa	3,x
	ldd	0,y
	bne	2$
	ldd	2,y
	beq	9$
	std	0,y		; by 16 at once
	clr	2,y
	clr	3,y
	ldaa	#142
	staa	3,x
2$:	tst	0,y
	bne	3$
	ldd	1,y		; by 8
	std	0,y
	ldaa	3,y
	staa	2,y
	clr	3,y
	ldaa	3,x
	suba	#8
	staa	3,x
	bra	2$
3$:	bmi	5$
4$:	lsl	3,y
	rol	2,y
	rol	1,y
	rol	0,y
	dec	3,x
	tst	0,y
	bpl	4$
5$:	ldaa	3,y		; round by the lowest byte
	bpl	7$
	cmpa	#$80
	bne	6$
	brclr	2,y,#1,7$
6$:	inc	2,y
	bne	7$
	inc	1,y
	bne	7$
	inc	0,y
	bne	7$
	ldaa	#$80
	staa	0,y
	inc	3,x
7$:	ldab	0,y
	lslb
	ldaa	3,x
	lsrd
	oraa	2,x
	std	2,x
	ldd	1,y
	bra	8$
9$:	clr	2,x		; 0
	clr	3,x
8$:	ins
	ins
	ins
	ins
	puly
	rts

; Frame of c_ftoi (Y = SP+1): the shift count, the mantissa's top 16 bits,
; Y.
c_ftoi:
	pshy
	psha
	ldab	3,x
	orab	#$80
	pshb
	ldd	2,x
	lsld			; the exponent
	psha
	tsy
	cmpa	#127
	blo	4$		; below 1
	cmpa	#142
	bhs	5$		; 2^15 or more
	nega
	adda	#142		; the shift, 1 to 15
	cmpa	#8
	blo	1$
	suba	#8
	staa	0,y
	ldab	1,y
	clra
	tst	0,y
	beq	3$
	bra	2$
1$:	staa	0,y
	ldd	1,y
2$:	lsrd
	dec	0,y
	bne	2$
3$:	tst	2,x
	bpl	6$
	coma
	comb
	addd	#1
	bra	6$
4$:	clra
	clrb
	bra	6$
5$:	ldd	#$7FFF
	tst	2,x
	bpl	6$
	ldd	#$8000
6$:	ins
	ins
	ins
	puly
	rts

; Frame of c_ftol (Y = SP+1): the value (4 bytes, first the mantissa as
; an integer), the shift count, Y.
c_ftol:
	pshy
	psha			; the count's place
	pshb
	psha
	ldab	3,x
	orab	#$80
	pshb
	clrb
	pshb
	tsy
	ldd	2,x
	lsld			; the exponent
	cmpa	#127
	blo	7$		; below 1
	cmpa	#158
	blo	11$		; below 2^31
	bne	8$		; 2^32 or more
	tst	2,x
	bmi	10$		; -2^31 and below: the lowest long
11$:	suba	#150
	bhs	4$		; left by e - 150
	nega			; right by 150 - e
1$:	cmpa	#8
	blo	2$
	ldab	2,y
	stab	3,y
	ldab	1,y
	stab	2,y
	ldab	0,y
	stab	1,y
	clr	0,y
	suba	#8
	bra	1$
2$:	tsta
	beq	5$
	staa	4,y
3$:	lsr	0,y
	ror	1,y
	ror	2,y
	ror	3,y
	dec	4,y
	bne	3$
	bra	5$
4$:	tsta
	beq	5$
	staa	4,y
6$:	lsl	3,y
	rol	2,y
	rol	1,y
	rol	0,y
	dec	4,y
	bne	6$
5$:	tst	2,x
	bpl	0$
	ldd	#0
	subd	2,y
	std	2,y
	ldd	#0
	sbcb	1,y
	sbca	0,y
	std	0,y
0$:	ldd	0,y
	std	2,x
	ldd	2,y
	bra	9$
7$:	clra
	clrb
	std	2,x
	bra	9$
8$:	tst	2,x
	bmi	10$
	ldd	#$FFFF		; the largest unsigned long
	std	2,x
	bra	9$
10$:	ldd	#$8000
	std	2,x
	clra
	clrb
9$:	ins
	ins
	ins
	ins
	ins
	puly
	rts

	end
