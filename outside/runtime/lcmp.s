; Long comparisons. Every register is kept; the flags are those a
; subtraction left - right would leave for the branches of the kind:
; Z when equal; signed (c_lcmp, c_lzmp, c_lrzmp) N xor V when left < right;
; unsigned (c_ulcmp) C when left < right.
;	c_lcmp, c_ulcmp		the long register with the long at Y
;	c_lzmp			the long at Y with 0
;	c_lrzmp			the long register with 0
; The zero tests also clear V and C and set N from the sign. When the high
; words are equal the low words decide as unsigned numbers; a tst of one of
; the two constant bytes below then gives the flags of "less" or
; "greater".
	xdef	c_lcmp, c_ulcmp, c_lzmp, c_lrzmp

	switch	.text
c_lcmp:
	pshb
	psha
	ldd	2,x
	cpd	0,y
	bne	1$		; the high words decide
	pula
	pulb
	cpd	2,y
	bhi	2$
	blo	3$
	rts			; equal: Z set, N and V clear
1$:	pula
	pulb
	rts
2$:	tst	plus
	rts
3$:	tst	minus
	rts

c_ulcmp:
	pshb
	psha
	ldd	2,x
	cpd	0,y
	bne	1$
	pula
	pulb
	cpd	2,y
	rts
1$:	pula
	pulb
	rts

c_lzmp:
	tst	0,y
	bne	1$		; the sign byte decides
	tst	1,y
	bne	2$
	tst	2,y
	bne	2$
	tst	3,y
	bne	2$
1$:	rts
2$:	tst	plus
	rts

c_lrzmp:
	tst	2,x
	bne	1$
	tst	3,x
	bne	2$
	cpd	#0
	bne	2$
1$:	rts
2$:	tst	plus
	rts

plus:	dc.b	1
minus:	dc.b	$80

	end
