; Shifts of ints by a count in Y, taken as unsigned: 16 or more gives 0,
; or the sign fill for c_irsh.
;	c_ilsh	D = D << Y
;	c_irsh	D = D >> Y, arithmetic
;	c_ursh	D = D >> Y, logical
	xdef	c_ilsh, c_irsh, c_ursh

	switch	.text
c_ilsh:
	cpy	#16
	bhs	9$
	cpy	#8
	blo	1$
	tba			; by 8 at once
	clrb
	xgdy
	subd	#8
	xgdy
1$:	cpy	#0
	beq	3$
2$:	lsld
	dey
	bne	2$
3$:	rts
9$:	clra
	clrb
	rts

c_ursh:
	cpy	#16
	bhs	9$
	cpy	#8
	blo	1$
	tab
	clra
	xgdy
	subd	#8
	xgdy
1$:	cpy	#0
	beq	3$
2$:	lsrd
	dey
	bne	2$
3$:	rts
9$:	clra
	clrb
	rts

c_irsh:
	cpy	#16
	bhs	9$
	cpy	#8
	blo	1$
	tab
	clra
	tstb
	bpl	0$
	coma
0$:	xgdy
	subd	#8
	xgdy
1$:	cpy	#0
	beq	3$
2$:	asra
	rorb
	dey
	bne	2$
3$:	rts
9$:	clrb
	tsta
	bpl	4$
	comb
4$:	tba
	rts

	end
