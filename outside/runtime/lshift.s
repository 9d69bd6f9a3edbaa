; Long shifts.
;	c_llsh, c_lrsh, c_lursh		the long register shifted by Y: left,
;					right arithmetic, right logical
;	c_lglsh, c_lgrsh, c_lgursh	the long at Y shifted by B; Y kept
; Counts are unsigned: 32 or more gives 0, or the sign fill for the
; arithmetic shift. Whole words and bytes move first, then single bits.
	xdef	c_llsh, c_lrsh, c_lursh, c_lglsh, c_lgrsh, c_lgursh

	switch	.text
c_llsh:
	cpy	#32
	bhs	9$
	cpy	#16
	blo	1$
	std	2,x		; by 16
	clra
	clrb
	xgdy
	subd	#16
	xgdy
1$:	cpy	#8
	blo	2$
	pshb			; by 8: h0 h1 l0 l1 become h1 l0 l1 0
	ldab	3,x
	stab	2,x
	staa	3,x
	pula
	clrb
	xgdy
	subd	#8
	xgdy
2$:	cpy	#0
	beq	4$
3$:	lsld
	rol	3,x
	rol	2,x
	dey
	bne	3$
4$:	rts
9$:	clra
	clrb
	std	2,x
	rts

c_lursh:
	cpy	#32
	bhs	9$
	cpy	#16
	blo	1$
	ldd	2,x		; by 16
	clr	2,x
	clr	3,x
	xgdy
	subd	#16
	xgdy
1$:	cpy	#8
	blo	2$
	tab			; by 8: h0 h1 l0 l1 become 0 h0 h1 l0
	ldaa	3,x
	psha
	ldaa	2,x
	staa	3,x
	clr	2,x
	pula
	xgdy
	subd	#8
	xgdy
2$:	cpy	#0
	beq	4$
3$:	lsr	2,x
	ror	3,x
	rora
	rorb
	dey
	bne	3$
4$:	rts
9$:	clra
	clrb
	std	2,x
	rts

c_lrsh:
	cpy	#32
	bhs	9$
	cpy	#16
	blo	1$
	ldd	2,x		; by 16
	clr	2,x
	clr	3,x
	tsta
	bpl	0$
	com	2,x
	com	3,x
0$:	xgdy
	subd	#16
	xgdy
1$:	cpy	#8
	blo	2$
	tab			; by 8
	ldaa	3,x
	psha
	ldaa	2,x
	staa	3,x
	clr	2,x
	tsta
	bpl	5$
	com	2,x
5$:	pula
	xgdy
	subd	#8
	xgdy
2$:	cpy	#0
	beq	4$
3$:	asr	2,x
	ror	3,x
	rora
	rorb
	dey
	bne	3$
4$:	rts
9$:	ldaa	2,x
	bmi	6$
	clra
	clrb
	std	2,x
	rts
6$:	ldd	#-1
	std	2,x
	rts

; The g forms run the shifts above with X at the long minus 2.
c_lglsh:
	pshx
	pshy
	clra
	xgdy			; Y = the count
	subd	#2
	xgdx
	ldd	4,x
	bsr	c_llsh
	std	4,x
	puly
	pulx
	rts

c_lgrsh:
	pshx
	pshy
	clra
	xgdy
	subd	#2
	xgdx
	ldd	4,x
	bsr	c_lrsh
	std	4,x
	puly
	pulx
	rts

c_lgursh:
	pshx
	pshy
	clra
	xgdy
	subd	#2
	xgdx
	ldd	4,x
	bsr	c_lursh
	std	4,x
	puly
	pulx
	rts

	end
