; Long division and remainder.
;	c_ldiv, c_ldiva		the long register /= the long at Y, signed
;	c_lmod, c_lmoda		the long register %= the long at Y, signed
;	c_ludv, c_ludva		/=, unsigned
;	c_lumd, c_lumda		%=, unsigned
;	c_lgdiv, c_lgdiva ...	the long at Y op= the long register (g forms
;	c_lgumd, c_lgumda	of all four); D and Y kept
; Signed quotients truncate toward 0 and remainders take the dividend's
; sign. A divisor of 0 gives the quotient 0 (signed) or all ones
; (unsigned) and the dividend as remainder; -2^31 / -1 is -2^31.
;
; When both operands are below 65536 the non-g forms divide at once.
; Otherwise every entry pushes Y, D, X and its mode (bit 0 signed, bit 1 remainder,
; bit 2 g form) and reserves the frame (X = SP+1):
;	0	N, the dividend, then Q, the quotient (4 bytes)
;	4	V, the divisor (4)
;	8	R, the remainder (4)
;	12	T, dividend bits still to shift in, then quotient bits (2)
;	14	loop count
;	15	scratch (2)
;	17	sign of the quotient (bit 7), 18 sign of the remainder
;	19	mode, 20 X, 22 D, 24 Y
	xdef	c_ldiv, c_ldiva, c_lmod, c_lmoda
	xdef	c_ludv, c_ludva, c_lumd, c_lumda
	xdef	c_lgdiv, c_lgdiva, c_lgmod, c_lgmoda
	xdef	c_lgudv, c_lgudva, c_lgumd, c_lgumda

FRAME:	equ	19

; Both operands below 65536 (and the divisor not 0): the idiv instruction
; alone, the quotient (\1 = 0) or the remainder (\1 = 1) into the long
; register.
quick:	macro
	pshx
	pshb
	psha
	ldd	2,x
	bne	\@l
	ldd	0,y
	bne	\@l
	ldx	2,y
	beq	\@l
	pula
	pulb
	idiv
	ifeq	\1
	xgdx
	endif
	pulx
	clr	2,x
	clr	3,x
	rts
\@l:	pula
	pulb
	pulx
	endm

	switch	.text
c_ldiv:
c_ldiva:
	quick	0
	pshy
	pshb
	psha
	ldab	#1
	bra	entry
c_lmod:
c_lmoda:
	quick	1
	pshy
	pshb
	psha
	ldab	#3
	bra	entry
c_ludv:
c_ludva:
	quick	0
	pshy
	pshb
	psha
	ldab	#0
	bra	entry
c_lumd:
c_lumda:
	quick	1
	pshy
	pshb
	psha
	ldab	#2
	bra	entry
c_lgdiv:
c_lgdiva:
	pshy
	pshb
	psha
	ldab	#5
	bra	entry
c_lgmod:
c_lgmoda:
	pshy
	pshb
	psha
	ldab	#7
	bra	entry
c_lgudv:
c_lgudva:
	pshy
	pshb
	psha
	ldab	#4
	bra	entry
c_lgumd:
c_lgumda:
	pshy
	pshb
	psha
	ldab	#6

entry:
	pshx
	pshb			; the mode
	tsx
	xgdx
	subd	#FRAME
	xgdx
	txs			; X = the frame
	brset	19,x,#4,1$
	ldy	20,x		; N = the long register, V = the long at Y
	ldd	2,y
	std	0,x
	ldd	22,x
	std	2,x
	ldy	24,x
	ldd	0,y
	std	4,x
	ldd	2,y
	std	6,x
	bra	2$
1$:	ldy	24,x		; N = the long at Y, V = the long register
	ldd	0,y
	std	0,x
	ldd	2,y
	std	2,x
	ldy	20,x
	ldd	2,y
	std	4,x
	ldd	22,x
	std	6,x
2$:	clr	17,x
	clr	18,x
	brclr	19,x,#1,4$
	tst	0,x
	bpl	3$
	com	17,x
	com	18,x
	ldd	#0		; N = -N
	subd	2,x
	std	2,x
	ldd	#0
	sbcb	1,x
	sbca	0,x
	std	0,x
3$:	tst	4,x
	bpl	4$
	com	17,x
	ldd	#0		; V = -V
	subd	6,x
	std	6,x
	ldd	#0
	sbcb	5,x
	sbca	4,x
	std	4,x
4$:	bsr	udiv
	brclr	19,x,#2,5$
	ldd	8,x		; the remainder is the result
	std	0,x
	ldd	10,x
	std	2,x
	ldaa	18,x
	staa	17,x
	bra	6$
5$:	brclr	19,x,#1,6$
	ldd	4,x		; signed x / 0 is 0
	bne	6$
	ldd	6,x
	bne	6$
	std	0,x
	std	2,x
6$:	tst	17,x
	bpl	7$
	ldd	#0
	subd	2,x
	std	2,x
	ldd	#0
	sbcb	1,x
	sbca	0,x
	std	0,x
7$:	brset	19,x,#4,8$
	ldy	20,x		; into the long register
	ldd	0,x
	std	2,y
	ldd	2,x
	std	22,x
	bra	9$
8$:	ldy	24,x		; into the long at Y
	ldd	0,x
	std	0,y
	ldd	2,x
	std	2,y
9$:	ldab	#FRAME+1
	abx
	txs
	pulx
	pula
	pulb
	puly
	rts

; Q = N / V, R = N % V, unsigned; V is kept. V = 0: Q all ones, R = N.
udiv:
	clra
	clrb
	std	8,x
	std	10,x
	ldd	4,x
	bne	big
	ldd	6,x
	beq	byzero
	ldd	0,x
	beq	narrow
	bsr	dv		; a divisor v of 16 bits: Q high = N high / v
	sty	0,x
	cpd	#0
	bne	frac
narrow:	ldd	2,x		; Q low, R = N low / v
	bsr	dv
	sty	2,x
	std	10,x
	rts
; (r1 * 2^16 + N low) / v with r1 < v: fdiv gives qa, ra of r1 * 2^16 / v;
; then (ra + N low) / v, which takes 2^16 / v apart when the sum carries.
frac:	bsr	fv
	addd	2,x
	sty	2,x		; Q low = qa (sty keeps the carry)
	bcs	1$
	bsr	dv
	std	10,x
	xgdy
	addd	2,x
	std	2,x
	rts
1$:	std	15,x		; the sum is 2^16 + s
	ldd	#1
	bsr	fv		; 2^16 / v
	addd	15,x		; rc + s < 2v
	bcs	2$
	cpd	6,x
	blo	3$
2$:	subd	6,x
	iny
3$:	std	10,x
	xgdy
	addd	2,x
	std	2,x
	rts

byzero:	ldd	0,x
	std	8,x
	ldd	2,x
	std	10,x
	ldd	#$FFFF
	std	0,x
	std	2,x
	rts

; D / v by idiv, and D * 2^16 / v by fdiv (D < v): Y the quotient, D the
; remainder; X kept.
dv:	pshx
	ldx	6,x
	idiv
	bra	dvq
fv:	pshx
	ldx	6,x
	fdiv
dvq:	xgdx
	xgdy
	xgdx
	pulx
	rts

; V of 17 bits or more: the quotient has at most 16 bits. Shift and
; subtract, starting with R = N >> 16 (16 steps), or with R = N >> 8 when
; V has 25 bits or more (8 steps).
big:	ldd	0,x
	cpd	4,x
	blo	less
	bne	1$
	ldd	2,x
	cpd	6,x
	blo	less
1$:	tst	4,x
	bne	short
	ldd	0,x		; R = 0:0:n0:n1, T = n2:n3
	std	10,x
	ldd	2,x
	std	12,x
	ldab	#16
	stab	14,x
2$:	lsl	13,x
	rol	12,x
	rol	11,x
	rol	10,x
	rol	9,x
	rol	8,x
	bcs	3$
	ldd	8,x
	cpd	4,x
	blo	4$
	bne	3$
	ldd	10,x
	cpd	6,x
	blo	4$
3$:	ldd	10,x
	subd	6,x
	std	10,x
	ldd	8,x
	sbcb	5,x
	sbca	4,x
	std	8,x
	inc	13,x
4$:	dec	14,x
	bne	2$
	clra
	clrb
	std	0,x
	ldd	12,x
	std	2,x
	rts

short:	ldd	0,x		; R = 0:n0:n1:n2, T = n3
	std	9,x
	ldaa	2,x
	staa	11,x
	ldaa	3,x
	staa	12,x
	ldab	#8
	stab	14,x
2$:	lsl	12,x
	rol	11,x
	rol	10,x
	rol	9,x
	rol	8,x
	bcs	3$
	ldd	8,x
	cpd	4,x
	blo	4$
	bne	3$
	ldd	10,x
	cpd	6,x
	blo	4$
3$:	ldd	10,x
	subd	6,x
	std	10,x
	ldd	8,x
	sbcb	5,x
	sbca	4,x
	std	8,x
	inc	12,x
4$:	dec	14,x
	bne	2$
	clra
	clrb
	std	0,x
	ldab	12,x
	std	2,x
	rts

less:	ldd	0,x		; N < V: Q = 0, R = N
	std	8,x
	ldd	2,x
	std	10,x
	clra
	clrb
	std	0,x
	std	2,x
	rts

	end
