; Conversions to and from doubles (dcore.s has the rules of the format).
;	c_itod, c_uitod		the double at Y = D (int, unsigned); D, Y kept
;	c_ltod, c_ultod		the double at Y = the long register (long,
;				unsigned long); Y kept, and D by c_ltod
;	c_ftod			the double at Y = the float in the long
;				register; every register kept
;	c_dtoi			D = the double at Y as an int
;	c_dtol			the long register = the double at Y as a long
;	c_dtof			the long register = the double at Y as a float,
;				rounded to nearest, ties to even
; Integers and floats convert exactly. Double to integer truncates toward
; 0, and a value beyond the range gives the nearest end of it; the range
; of c_dtol is -2^31 to 2^32 - 1, so that it serves long and unsigned long
; targets alike (a value from 2^31 up gives its 32 bits); double to float
; follows the float rules (fcore.s).
;
; The frame is that of the double operations (double.h11); an integer is
; put into R's mantissa as value << 8 with the exponent 1075 and
; normalised.
	include	"double.h11"
	include	"float.h11"
	xdef	c_itod, c_uitod, c_ltod, c_ultod, c_ftod, c_dtoi, c_dtol, c_dtof
	xref	c__dupr, c__dnorm, c__dpack, c__fpack

enter:	macro
	pshy
	pshb
	psha
	pshx
	des
	des
	des
	tsx
	xgdx
	subd	#D_SIZE
	xgdx
	txs
	endm

leave:	macro
	ldab	#D_X
	abx
	txs
	pulx
	pula
	pulb
	puly
	rts
	endm

	switch	.text
c_uitod:
	enter
	clr	D_RS,x
	ldd	D_D,x
	bra	word
c_itod:
	enter
	clr	D_RS,x
	ldd	D_D,x
	bpl	word
	coma
	comb
	addd	#1
	bset	D_RS,x,#$80
word:	std	D_RM+5,x
	clra
	clrb
	std	D_RM,x
	std	D_RM+2,x
	staa	D_RM+4,x
	staa	D_RM+7,x
	bra	int

c_ultod:
	enter
	clr	D_RS,x
	ldy	D_X,x
	ldd	2,y
	std	D_RM+3,x
	ldd	D_D,x
	bra	long
c_ltod:
	enter
	clr	D_RS,x
	ldy	D_X,x
	ldd	2,y
	std	D_RM+3,x
	bpl	1$
	bset	D_RS,x,#$80
	ldd	#0		; the magnitude
	subd	D_D,x
	pshb
	psha
	ldd	#0
	sbcb	D_RM+4,x
	sbca	D_RM+3,x
	std	D_RM+3,x
	pula
	pulb
	bra	long
1$:	ldd	D_D,x
long:	std	D_RM+5,x
	clra
	clrb
	std	D_RM,x
	staa	D_RM+2,x
	staa	D_RM+7,x
int:	ldd	#1075
	std	D_RE,x
	jsr	c__dnorm
	ldy	D_Y,x
	jsr	c__dpack
	leave

; The float's mantissa m (24 bits) goes to R's mantissa as m << 37, its
; exponent e to e + 896.
c_ftod:
	enter
	ldy	D_X,x
	ldd	2,y		; the float's high word
	staa	D_RS,x
	bclr	D_RS,x,#$7F
	lsld
	tsta
	beq	3$		; 0
	cmpa	#$FF
	bne	1$
	ldab	#$FF		; the largest finite float
	stab	D_RM,x
	stab	D_RM+1,x
	stab	D_RM+2,x
	ldaa	#254
	bra	2$
1$:	sec
	rorb
	stab	D_RM,x
	ldab	D_D,x
	stab	D_RM+1,x
	ldab	D_D+1,x
	stab	D_RM+2,x
2$:	tab
	clra
	addd	#896
	std	D_RE,x
	clra
	clrb
	staa	D_RM+3,x
	std	D_RM+4,x
	std	D_RM+6,x
	ldab	#3		; m << 37 = (m << 40) >> 3
4$:	lsr	D_RM,x
	ror	D_RM+1,x
	ror	D_RM+2,x
	ror	D_RM+3,x
	decb
	bne	4$
	bra	5$
3$:	clra
	clrb
	std	D_RE,x
5$:	ldy	D_Y,x
	jsr	c__dpack
	leave

; The double at Y truncated to a long, limited to -2^31 .. 2^32 - 1, at
; D_P.
tolong:
	jsr	c__dupr
	ldd	D_RE,x
	cpd	#1023
	blo	7$		; below 1
	cpd	#1054
	blo	6$		; below 2^31
	bne	8$		; 2^32 or more
	tst	D_RS,x
	bmi	5$		; -2^31 and below: the lowest long
6$:	ldd	#1083		; the mantissa right by 1083 - e, 29 to 60
	subd	D_RE,x
1$:	cmpb	#8
	blo	2$
	ldaa	D_RM+6,x	; by a byte
	staa	D_RM+7,x
	ldaa	D_RM+5,x
	staa	D_RM+6,x
	ldaa	D_RM+4,x
	staa	D_RM+5,x
	ldaa	D_RM+3,x
	staa	D_RM+4,x
	ldaa	D_RM+2,x
	staa	D_RM+3,x
	ldaa	D_RM+1,x
	staa	D_RM+2,x
	ldaa	D_RM,x
	staa	D_RM+1,x
	clr	D_RM,x
	subb	#8
	bra	1$
2$:	tstb
	beq	4$
3$:	lsr	D_RM+3,x	; by a bit (the top 3 bytes are 0 by now)
	ror	D_RM+4,x
	ror	D_RM+5,x
	ror	D_RM+6,x
	ror	D_RM+7,x
	decb
	bne	3$
4$:	ldd	D_RM+4,x
	std	D_P,x
	ldd	D_RM+6,x
	std	D_P+2,x
	tst	D_RS,x
	bpl	9$
	ldd	#0
	subd	D_P+2,x
	std	D_P+2,x
	ldd	#0
	sbcb	D_P+1,x
	sbca	D_P,x
	std	D_P,x
	rts
7$:	clra
	clrb
	std	D_P,x
	std	D_P+2,x
	rts
8$:	tst	D_RS,x
	bmi	5$
	ldd	#$FFFF		; the largest unsigned long
	std	D_P,x
	std	D_P+2,x
	rts
5$:	ldd	#$8000
	std	D_P,x
	clra
	clrb
	std	D_P+2,x
9$:	rts

c_dtol:
	enter
	bsr	tolong
	ldy	D_X,x
	ldd	D_P,x
	std	2,y
	ldd	D_P+2,x
	std	D_D,x
	leave

c_dtoi:
	enter
	bsr	tolong
	ldd	D_P,x		; an int: the high word is the low word's sign
	bne	1$
	ldd	D_P+2,x
	bpl	3$
	bra	2$
1$:	cpd	#$FFFF
	bne	2$
	tst	D_RS,x		; (2^32 or more gives $FFFFFFFF too)
	bpl	2$
	ldd	D_P+2,x
	bmi	3$
2$:	ldd	#$7FFF		; else the end of the range on the value's side
	tst	D_RS,x
	bpl	3$
	ldd	#$8000
3$:	std	D_D,x
	leave

; The mantissa 3 bits up: the float's mantissa in its first 3 bytes, the
; guard byte next, the rest sticky; the exponent 896 less.
c_dtof:
	enter
	jsr	c__dupr
	ldd	D_RE,x
	beq	2$
	subd	#896
	std	D_RE,x
	ldab	#3
1$:	lsl	D_RM+7,x
	rol	D_RM+6,x
	rol	D_RM+5,x
	rol	D_RM+4,x
	rol	D_RM+3,x
	rol	D_RM+2,x
	rol	D_RM+1,x
	rol	D_RM,x
	decb
	bne	1$
	ldd	D_RM+4,x
	bne	3$
	ldd	D_RM+6,x
	beq	2$
3$:	bset	D_RM+3,x,#1
2$:	jsr	c__fpack
	sty	D_D,x
	ldy	D_X,x
	std	2,y
	leave

	end
