; The common part of the float operations c_fadd ... c_fgdiv: the frame,
; unpacking the operands, and rounding and packing the result.
;
; Floats are IEEE single. An operand whose exponent field is 0 is 0 (the
; routines have no denormals); one whose exponent field is 255 (infinity
; or NaN) is read as the largest finite value of its sign. A result is
; rounded to nearest, ties to even; one too large becomes the largest
; finite value of its sign, one below the smallest normal value becomes 0
; (all zero bytes: the routines make no -0), except that a result IEEE
; rounds up to the smallest normal value from below it becomes that value.
	include	"float.h11"
	xdef	c__fop, c__fpack, c__fupr, c__fupb

	switch	.text
; An entry of an operation pushes Y, B and A and jumps here with its core
; in Y and its mode (float.h11) in B. The core works on the fields R and
; B and leaves the result in R; the result goes into the long register (or
; into the long at Y), and the registers come back but D (or, in the g
; forms, but nothing).
c__fop:
	pshx
	pshy
	pshb
	tsx
	xgdx
	subd	#F_SIZE
	xgdx
	txs
	brset	F_MODE,x,#1,1$
	ldy	F_X,x		; the left operand: the long register
	ldd	2,y
	ldy	F_D,x
	bsr	c__fupr
	ldy	F_Y,x		; the right: the long at Y
	ldd	0,y
	ldy	2,y
	bsr	c__fupb
	bra	2$
1$:	ldy	F_Y,x
	ldd	0,y
	ldy	2,y
	bsr	c__fupr
	ldy	F_X,x
	ldd	2,y
	ldy	F_D,x
	bsr	c__fupb
2$:	brclr	F_MODE,x,#2,3$
	ldaa	F_BS,x
	eora	#$80
	staa	F_BS,x
3$:	ldy	F_CORE,x
	jsr	0,y
	bsr	c__fpack
	brset	F_MODE,x,#1,4$
	ldy	F_X,x
	ldd	F_OUT,x
	std	2,y
	ldd	F_OUT+2,x
	std	F_D,x
	bra	5$
4$:	ldy	F_Y,x
	ldd	F_OUT,x
	std	0,y
	ldd	F_OUT+2,x
	std	2,y
5$:	ldab	#F_X
	abx
	txs
	pulx
	pula
	pulb
	puly
	rts

; Unpacks the float D:Y (high word, low word) into R (c__fupr) or B
; (c__fupb); the guard byte is cleared.
funpk:	macro
	sty	\3+1,x
	clr	\3+3,x
	clr	\2,x
	clr	\1,x
	lsld			; the sign into C, the exponent into A
	ror	\1,x
	tsta
	beq	\@z
	cmpa	#$FF
	beq	\@h
	staa	\2+1,x
	sec
	rorb			; the hidden bit
	stab	\3,x
	rts
\@z:	clr	\2+1,x		; 0
	clr	\3,x
	clr	\3+1,x
	clr	\3+2,x
	rts
\@h:	ldaa	#$FF		; the largest finite value
	staa	\3,x
	staa	\3+1,x
	staa	\3+2,x
	ldaa	#254
	staa	\2+1,x
	rts
	endm

c__fupr:
	funpk	F_RS,F_RE,F_RM
c__fupb:
	funpk	F_BS,F_BE,F_BM

; Rounds the result R and packs it into F_OUT.
c__fpack:
	ldd	F_RE,x
	subd	#1
	blt	6$		; exponent 0 or below
	ldaa	F_RM+3,x	; the guard byte
	bpl	2$
	cmpa	#$80
	bne	1$
	brclr	F_RM+2,x,#1,2$	; a tie: an even mantissa stays
1$:	inc	F_RM+2,x
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
2$:	ldd	F_RE,x
	cpd	#255
	bge	5$
	ldab	F_RM,x		; exponent and mantissa without the hidden bit
	lslb
	ldaa	F_RE+1,x
	lsrd
	oraa	F_RS,x
	std	F_OUT,x
	ldd	F_RM+1,x
	std	F_OUT+2,x
	rts
5$:	ldaa	F_RS,x		; the largest finite value
	oraa	#$7F
	ldab	#$7F
	std	F_OUT,x
	ldd	#$FFFF
	std	F_OUT+2,x
	rts
6$:	ldd	F_RE,x		; exponent 0 with the mantissa all ones rounds
	bne	7$		; to the smallest normal value
	ldaa	F_RM,x
	anda	F_RM+1,x
	anda	F_RM+2,x
	cmpa	#$FF
	bne	7$
	ldaa	F_RS,x
	ldab	#$80
	std	F_OUT,x
	clra
	clrb
	std	F_OUT+2,x
	rts
7$:	clra
	clrb
	std	F_OUT,x
	std	F_OUT+2,x
	rts

	end
