; Switch dispatch. None of them returns: each jumps to a case label with
; SP as before the call and X kept.
;
; c_jctab: a jump table after the call (dc.w L0, L1, ...), B the index
; (unsigned; the caller has checked its range); A and B are kept.
;
; c_jtab (value in D) and c_jltab (value in the long register): dc.w T
; after the call; the table T holds runs, each a span word, the first value
; (a word, or a long for c_jltab) and span label words; a 0 word; the count
; n of pairs and n pairs of a label word and a value; the default label
; word. A run is taken when value - first, unsigned in the value's width,
; is below its span; else the first pair holding the value; else the
; default.
	xdef	c_jctab, c_jtab, c_jltab

	switch	.text
c_jctab:
	puly
	aby
	aby
	ldy	0,y
	jmp	0,y

; Frame of c_jtab: 0,x scratch, 2,x the value, 4,x the caller's X.
c_jtab:
	puly
	ldy	0,y		; Y = T
	pshx
	pshb
	psha
	pshx			; scratch
	tsx
1$:	ldd	0,y		; span
	beq	5$
	ldd	2,x
	subd	2,y
	cpd	0,y
	blo	3$
	ldd	0,y		; past the run: span, first and the labels
	addd	#2
2$:	lsld
	std	0,x
	xgdy
	addd	0,x
	xgdy
	bra	1$
3$:	addd	#2		; the label of the value
	lsld
	std	0,x
	xgdy
	addd	0,x
	xgdy
	bra	9$
5$:	ldd	2,y		; the pairs
	std	0,x
	iny
	iny
	iny
	iny
	bra	7$
6$:	ldd	2,x
	cpd	2,y
	beq	9$
	iny
	iny
	iny
	iny
7$:	ldd	0,x
	beq	9$		; the default
	subd	#1
	std	0,x
	bra	6$
9$:	ldy	0,y
	ins
	ins
	pula
	pulb
	pulx
	jmp	0,y

; Frame of c_jltab: 0,x scratch, 2,x the value (4 bytes), 6,x the
; caller's X. A run holds 6 bytes before its labels, a pair 6 bytes.
c_jltab:
	puly
	ldy	0,y
	pshx
	pshb
	psha
	ldd	2,x
	pshb
	psha
	pshx
	tsx
1$:	ldd	0,y
	beq	5$
	ldd	4,x		; value - first
	subd	4,y
	std	0,x
	ldd	2,x
	sbcb	3,y
	sbca	2,y
	bne	2$		; 65536 or more
	tstb
	bne	2$
	ldd	0,x
	cpd	0,y
	blo	3$
2$:	ldd	0,y
	addd	#3
	lsld
	std	0,x
	xgdy
	addd	0,x
	xgdy
	bra	1$
3$:	addd	#3
	lsld
	std	0,x
	xgdy
	addd	0,x
	xgdy
	bra	9$
5$:	ldd	2,y
	std	0,x
	iny
	iny
	iny
	iny
	bra	7$
6$:	ldd	4,x
	cpd	4,y
	bne	8$
	ldd	2,x
	cpd	2,y
	beq	9$
8$:	xgdy
	addd	#6
	xgdy
7$:	ldd	0,x
	beq	9$
	subd	#1
	std	0,x
	bra	6$
9$:	ldy	0,y
	ldab	#6
	abx
	txs
	pulx
	jmp	0,y

	end
