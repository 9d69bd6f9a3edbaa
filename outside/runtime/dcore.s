; The common part of the double operations: the frame, unpacking, normal-
; ising, and rounding and packing.
;
; Doubles are IEEE double, under the rules of the floats (fcore.s): an
; exponent field of 0 is 0, one of 2047 the largest finite value of its
; sign; results are rounded to nearest, ties to even; too large gives the
; largest finite value, below the smallest normal value 0 of its sign,
; except that a result IEEE rounds up to the smallest normal value from
; below it becomes that value. Zeros have signs as in IEEE.
	include	"double.h11"
	xdef	c__dop, c__dupr, c__dupb, c__dnorm, c__dpack

	switch	.text
; An operation on the doubles at Y (left, and the destination) and at D
; (right): its entry pushes Y, B and A and jumps here with its core in Y
; and its mode (double.h11) in B. The core works on R and B and leaves
; the result in R. Every register comes back.
c__dop:
	pshx
	pshy
	pshb
	tsx
	xgdx
	subd	#D_SIZE
	xgdx
	txs
	ldy	D_Y,x
	bsr	c__dupr
	ldy	D_D,x
	bsr	c__dupb
	brclr	D_MODE,x,#2,1$
	ldaa	D_BS,x
	eora	#$80
	staa	D_BS,x
1$:	ldy	D_CORE,x
	jsr	0,y
	ldy	D_Y,x
	bsr	c__dpack
	ldab	#D_X
	abx
	txs
	pulx
	pula
	pulb
	puly
	rts

; Unpacks the double at Y into R (c__dupr) or B (c__dupb); the guard byte
; is cleared.
dunpk:	macro
	ldaa	0,y
	anda	#$80
	staa	\1,x
	ldd	0,y
	anda	#$7F
	lsrd
	lsrd
	lsrd
	lsrd
	std	\2,x
	beq	\@z
	cpd	#2047
	beq	\@h
	ldaa	1,y
	anda	#$0F
	oraa	#$10
	staa	\3,x
	ldd	2,y
	std	\3+1,x
	ldd	4,y
	std	\3+3,x
	ldd	6,y
	std	\3+5,x
	clr	\3+7,x
	rts
\@z:	std	\3,x		; 0
	std	\3+2,x
	std	\3+4,x
	std	\3+6,x
	rts
\@h:	ldd	#2046		; the largest finite value
	std	\2,x
	ldaa	#$1F
	staa	\3,x
	ldd	#$FFFF
	std	\3+1,x
	std	\3+3,x
	std	\3+5,x
	clr	\3+7,x
	rts
	endm

c__dupr:
	dunpk	D_RS,D_RE,D_RM
c__dupb:
	dunpk	D_BS,D_BE,D_BM

; Brings the highest set bit of R's mantissa (with its guard byte) to the
; hidden bit's place, from below, counting the exponent down; a mantissa
; of 0 makes the value +0.
c__dnorm:
	ldd	D_RM,x
	bne	2$
	ldd	D_RM+2,x
	bne	2$
	ldd	D_RM+4,x
	bne	2$
	ldd	D_RM+6,x
	bne	2$
	std	D_RE,x
	clr	D_RS,x
	rts
1$:	ldd	D_RM+1,x	; by a byte
	std	D_RM,x
	ldd	D_RM+3,x
	std	D_RM+2,x
	ldd	D_RM+5,x
	std	D_RM+4,x
	ldaa	D_RM+7,x
	staa	D_RM+6,x
	clr	D_RM+7,x
	ldd	D_RE,x
	subd	#8
	std	D_RE,x
2$:	tst	D_RM,x
	bne	4$
	ldaa	D_RM+1,x
	cmpa	#$10
	blo	1$
	bra	4$
3$:	lsl	D_RM+7,x	; by a bit
	rol	D_RM+6,x
	rol	D_RM+5,x
	rol	D_RM+4,x
	rol	D_RM+3,x
	rol	D_RM+2,x
	rol	D_RM+1,x
	rol	D_RM,x
	ldd	D_RE,x
	subd	#1
	std	D_RE,x
4$:	ldaa	D_RM,x
	cmpa	#$10
	blo	3$
	rts

; Rounds R and packs it into the 8 bytes at Y.
c__dpack:
	ldd	D_RE,x
	subd	#1
	blt	6$		; exponent 0 or below
	ldaa	D_RM+7,x
	bpl	2$
	cmpa	#$80
	bne	1$
	brclr	D_RM+6,x,#1,2$	; a tie: an even mantissa stays
1$:	ldd	D_RM+5,x
	addd	#1
	std	D_RM+5,x
	bcc	2$
	ldd	D_RM+3,x
	addd	#1
	std	D_RM+3,x
	bcc	2$
	ldd	D_RM+1,x
	addd	#1
	std	D_RM+1,x
	bcc	2$
	inc	D_RM,x
	ldaa	D_RM,x
	cmpa	#$20
	bne	2$
	ldaa	#$10		; 2.0: 1.0 and one more in the exponent
	staa	D_RM,x
	ldd	D_RE,x
	addd	#1
	std	D_RE,x
2$:	ldd	D_RE,x
	cpd	#2047
	bge	5$
	lsld
	lsld
	lsld
	lsld			; the exponent in place
	oraa	D_RS,x
	std	0,y
	ldab	D_RM,x
	andb	#$0F
	orab	1,y
	stab	1,y
	ldd	D_RM+1,x
	std	2,y
	ldd	D_RM+3,x
	std	4,y
	ldd	D_RM+5,x
	std	6,y
	rts
5$:	ldaa	D_RS,x		; the largest finite value
	oraa	#$7F
	ldab	#$EF
	std	0,y
	ldd	#$FFFF
	std	2,y
	std	4,y
	std	6,y
	rts
6$:	ldd	D_RE,x		; exponent 0 with the mantissa all ones rounds
	bne	7$		; to the smallest normal value
	ldaa	D_RM,x
	cmpa	#$1F
	bne	7$
	ldaa	D_RM+1,x
	anda	D_RM+2,x
	anda	D_RM+3,x
	anda	D_RM+4,x
	anda	D_RM+5,x
	anda	D_RM+6,x
	cmpa	#$FF
	bne	7$
	ldaa	D_RS,x
	ldab	#$10
	std	0,y
	clra
	clrb
	std	2,y
	std	4,y
	std	6,y
	rts
7$:	clra			; 0 of the result's sign
	clrb
	std	2,y
	std	4,y
	std	6,y
	ldaa	D_RS,x
	anda	#$80
	std	0,y
	rts

	end
