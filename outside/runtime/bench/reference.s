; Reference routines for the benchmark: careful hand-written 68HC11 code
; for the jobs of the main runtime routines, as one writes it without an
; ABI to keep: operands, results and scratch in fixed page-zero cells,
; no register kept, nothing reentrant. Each takes its operands at A
; ($00) and B ($04) and leaves its result at R ($08).
	xdef	ref_lmul, ref_udiv, ref_fadd, ref_fmul, ref_fdiv
	xdef	ref_itof, ref_ltof, ref_ftoi, ref_ftol

OA:	equ	$00		; operand a (4 bytes)
OB:	equ	$04		; operand b
RS:	equ	$08		; result
RM:	equ	$0C		; remainder (4)
SA:	equ	$10		; a: sign, exponent (2), mantissa (3) and guard
EA:	equ	$11
MA:	equ	$13
SB:	equ	$17		; b: sign, exponent (2), mantissa and guard
EB:	equ	$18
MB:	equ	$1A
PP:	equ	$1E		; product (6)
CT:	equ	$24		; counter
TT:	equ	$25		; scratch (2)
BW:	equ	$27		; the divisor's top byte as a word
RR:	equ	$29		; remainder (4)
MM:	equ	$2D		; a digit times the divisor (4)
QD:	equ	$31		; a quotient digit

	switch	.text
; a * b, the low 32 bits: ten byte products.
ref_lmul:
	ldaa	<OA+3
	ldab	<OB+3
	mul
	std	<RS+2
	ldaa	<OA+2
	ldab	<OB+2
	mul
	std	<RS
	ldaa	<OA+2
	ldab	<OB+3
	mul
	addd	<RS+1
	std	<RS+1
	bcc	1$
	inc	RS
1$:	ldaa	<OA+3
	ldab	<OB+2
	mul
	addd	<RS+1
	std	<RS+1
	bcc	2$
	inc	RS
2$:	ldaa	<OA+1
	ldab	<OB+3
	mul
	addd	<RS
	std	<RS
	ldaa	<OA
	ldab	<OB+3
	mul
	addb	<RS
	stab	<RS
	ldaa	<OA+1
	ldab	<OB+2
	mul
	addb	<RS
	stab	<RS
	ldaa	<OA+3
	ldab	<OB+1
	mul
	addd	<RS
	std	<RS
	ldaa	<OA+2
	ldab	<OB+1
	mul
	addb	<RS
	stab	<RS
	ldaa	<OA+3
	ldab	<OB
	mul
	addb	<RS
	stab	<RS
	rts

; a / b unsigned, the remainder at RM (b not 0), as one divides on the
; 68HC11: a divisor of 16 bits by idiv for the high word of the quotient
; and fdiv and idiv for its low word; a wider divisor leaves a quotient of
; 16 bits at most (8 when it has 25 bits or more), so as many
; shift-and-subtract steps from the dividend's top bytes on.
ref_udiv:
	ldd	<OB
	bne	7$
	clr	RM
	clr	RM+1
	ldd	<OA
	beq	1$
	ldx	<OB+2
	idiv			; X = a high / b, D = r1
	stx	<RS
	std	<TT
	bne	2$
	bra	6$
1$:	std	<RS
6$:	ldd	<OA+2		; r1 = 0: a low / b
	ldx	<OB+2
	idiv
	stx	<RS+2
	std	<RM+2
	rts
2$:	ldx	<OB+2		; r1 * 2^16 / b (r1 < b)
	fdiv
	stx	<RS+2
	addd	<OA+2		; its remainder + a low
	bcs	3$
	ldx	<OB+2
	idiv
	std	<RM+2
	xgdx
	addd	<RS+2
	std	<RS+2
	rts
3$:	std	<TT		; 2^16 + s: the quotient and remainder of 2^16 / b
	ldd	#1		; added (b > 1 here)
	ldx	<OB+2
	fdiv
	addd	<TT
	bcs	4$
	cpd	<OB+2
	blo	5$
4$:	subd	<OB+2
	inx
5$:	std	<RM+2
	xgdx
	addd	<RS+2
	std	<RS+2
	rts
7$:	ldd	<OA		; a < b: 0, remainder a
	cpd	<OB
	blo	20$
	bhi	8$
	ldd	<OA+2
	cpd	<OB+2
	blo	20$
8$:	clra
	clrb
	std	<RS
	tst	OB
	bne	12$
	std	<RM		; 16 steps: R = 0:0:a0:a1, T = a2:a3
	ldd	<OA
	std	<RM+2
	ldd	<OA+2
	std	<RS+2
	ldab	#16
	bra	13$
12$:	clr	RM		; 8 steps: R = 0:a0:a1:a2, T = a3:0
	ldd	<OA
	std	<RM+1
	ldd	<OA+2
	staa	<RM+3
	stab	<RS+2
	clr	RS+3
	ldab	#8
13$:	stab	<CT
14$:	lsl	RS+3		; T and R one to the left, the quotient bits
	rol	RS+2		; coming in at the bottom of T
	rol	RM+3
	rol	RM+2
	rol	RM+1
	rol	RM
	bcs	15$		; past 32 bits: above b
	ldd	<RM+2
	subd	<OB+2
	std	<TT
	ldd	<RM
	sbcb	<OB+1
	sbca	<OB
	bcs	16$
	std	<RM
	ldd	<TT
	std	<RM+2
	inc	RS+3
16$:	dec	CT
	bne	14$
	rts
15$:	ldd	<RM+2
	subd	<OB+2
	std	<RM+2
	ldd	<RM
	sbcb	<OB+1
	sbca	<OB
	std	<RM
	inc	RS+3
	bra	16$
20$:	ldd	<OA
	std	<RM
	ldd	<OA+2
	std	<RM+2
	clra
	clrb
	std	<RS
	std	<RS+2
	rts

; Unpacks a (into SA, EA, MA) and b (into SB, EB, MB): exponent 0 is 0.
unpack:
	ldd	<OA
	clr	SA
	lsld
	ror	SA
	staa	<EA+1
	clr	EA
	sec
	rorb
	stab	<MA
	ldd	<OA+2
	std	<MA+1
	clr	MA+3
	ldd	<OB
	clr	SB
	lsld
	ror	SB
	staa	<EB+1
	clr	EB
	sec
	rorb
	stab	<MB
	ldd	<OB+2
	std	<MB+1
	clr	MB+3
	rts

; Rounds SA, EA, MA (nearest, ties to even) and packs it into R; 0 and the
; largest finite value at the ends of the range.
pack:	ldd	<EA
	subd	#1
	blt	5$
	ldaa	<MA+3
	bpl	2$
	cmpa	#$80
	bne	1$
	ldaa	<MA+2
	lsra
	bcc	2$
1$:	inc	MA+2
	bne	2$
	inc	MA+1
	bne	2$
	inc	MA
	bne	2$
	ldaa	#$80
	staa	<MA
	ldd	<EA
	addd	#1
	std	<EA
2$:	ldd	<EA
	cpd	#255
	bge	4$
	ldab	<MA
	lslb
	ldaa	<EA+1
	lsrd
	oraa	<SA
	std	<RS
	ldd	<MA+1
	std	<RS+2
	rts
4$:	ldaa	<SA
	oraa	#$7F
	ldab	#$7F
	std	<RS
	ldd	#$FFFF
	std	<RS+2
	rts
5$:	clra
	clrb
	std	<RS
	std	<RS+2
	rts

; a + b: the larger magnitude in A, the other shifted to its exponent.
ref_fadd:
	bsr	unpack
	ldd	<EB
	beq	9$
	ldd	<EA
	beq	5$
	cpd	<EB
	bhi	1$
	blo	5$
	ldd	<MA
	cpd	<MB
	bhi	1$
	blo	5$
	ldaa	<MA+2
	cmpa	<MB+2
	bhs	1$
5$:	ldaa	<SA		; swap
	ldab	<SB
	staa	<SB
	stab	<SA
	ldd	<EA
	ldx	<EB
	std	<EB
	stx	<EA
	ldd	<MA
	ldx	<MB
	std	<MB
	stx	<MA
	ldaa	<MA+2
	ldab	<MB+2
	staa	<MB+2
	stab	<MA+2
	ldd	<EB
	beq	9$
1$:	ldd	<EA
	subd	<EB
	cpd	#26
	bhs	9$
	clr	TT
2$:	cmpb	#8
	blo	3$
	ldaa	<MB+3
	oraa	<TT
	staa	<TT
	ldaa	<MB+2
	staa	<MB+3
	ldaa	<MB+1
	staa	<MB+2
	ldaa	<MB
	staa	<MB+1
	clr	MB
	subb	#8
	bra	2$
3$:	tstb
	beq	6$
4$:	lsr	MB
	ror	MB+1
	ror	MB+2
	ror	MB+3
	bcc	7$
	inc	TT
7$:	decb
	bne	4$
6$:	tst	TT
	beq	8$
	ldaa	<MB+3
	oraa	#1
	staa	<MB+3
8$:	ldaa	<SA
	eora	<SB
	bmi	20$
	ldd	<MA+2
	addd	<MB+2
	std	<MA+2
	ldd	<MA
	adcb	<MB+1
	adca	<MB
	std	<MA
	bcc	9$
	ror	MA
	ror	MA+1
	ror	MA+2
	ror	MA+3
	ldd	<EA
	addd	#1
	std	<EA
9$:	jmp	pack
20$:	ldd	<MA+2
	subd	<MB+2
	std	<MA+2
	ldd	<MA
	sbcb	<MB+1
	sbca	<MB
	std	<MA
	bmi	9$
	bne	22$
	ldd	<MA+2
	bne	22$
	std	<EA
	bra	9$
21$:	lsl	MA+3
	rol	MA+2
	rol	MA+1
	rol	MA
	ldd	<EA
	subd	#1
	std	<EA
22$:	tst	MA
	bpl	21$
	bra	9$

; a * b: nine byte products.
ref_fmul:
	bsr	unpack
	ldaa	<SA
	eora	<SB
	staa	<SA
	ldd	<EA
	beq	8$
	ldd	<EB
	beq	8$
	addd	<EA
	subd	#127
	std	<EA
	ldaa	<MA+2
	ldab	<MB+2
	mul
	std	<PP+4
	ldaa	<MA
	ldab	<MB
	mul
	std	<PP
	ldaa	<MA+1
	ldab	<MB+1
	mul
	std	<PP+2
	ldaa	<MA+1
	ldab	<MB+2
	mul
	addd	<PP+3
	std	<PP+3
	bcc	1$
	inc	PP+2
	bne	1$
	inc	PP+1
	bne	1$
	inc	PP
1$:	ldaa	<MA+2
	ldab	<MB+1
	mul
	addd	<PP+3
	std	<PP+3
	bcc	2$
	inc	PP+2
	bne	2$
	inc	PP+1
	bne	2$
	inc	PP
2$:	ldaa	<MA
	ldab	<MB+2
	mul
	addd	<PP+2
	std	<PP+2
	bcc	3$
	inc	PP+1
	bne	3$
	inc	PP
3$:	ldaa	<MA+2
	ldab	<MB
	mul
	addd	<PP+2
	std	<PP+2
	bcc	4$
	inc	PP+1
	bne	4$
	inc	PP
4$:	ldaa	<MA
	ldab	<MB+1
	mul
	addd	<PP+1
	std	<PP+1
	bcc	5$
	inc	PP
5$:	ldaa	<MA+1
	ldab	<MB
	mul
	addd	<PP+1
	std	<PP+1
	bcc	6$
	inc	PP
6$:	tst	PP
	bmi	7$
	lsl	PP+4
	rol	PP+3
	rol	PP+2
	rol	PP+1
	rol	PP
	bra	10$
7$:	ldd	<EA
	addd	#1
	std	<EA
10$:	ldd	<PP
	std	<MA
	ldd	<PP+2
	std	<MA+2
	ldd	<PP+4
	beq	11$
	ldaa	<MA+3
	oraa	#1
	staa	<MA+3
11$:	jmp	pack
8$:	clra
	clrb
	std	<EA
	jmp	pack

; a / b: the quotient of the mantissas as four digits of base 256, each
; estimated by idiv from the remainder's top two bytes and the divisor's
; top byte (at most 2 too large), the digit times the divisor taken off
; the remainder and the divisor added back while it is negative; three
; digits are the mantissa, the fourth the guard byte, a remainder left
; over is sticky.
ref_fdiv:
	jsr	unpack
	ldaa	<SA
	eora	<SB
	staa	<SA
	ldd	<EA
	beq	9$
	ldd	<EB
	beq	8$
	ldd	<EA
	subd	<EB
	addd	#127
	std	<EA
	clr	BW
	ldaa	<MB
	staa	<BW+1
	clr	RR+3
	ldd	<MA		; a >= b: R = a << 7, else a << 8 and one less
	cpd	<MB		; in the exponent
	bhi	2$
	blo	3$
	ldaa	<MA+2
	cmpa	<MB+2
	blo	3$
2$:	ldd	<MA
	lsrd
	std	<RR
	ldaa	<MA+2
	rora
	staa	<RR+2
	ror	RR+3
	bra	4$
3$:	ldd	<MA
	std	<RR
	ldaa	<MA+2
	staa	<RR+2
	ldd	<EA
	subd	#1
	std	<EA
4$:	bsr	fdigit
	stab	<MA
	bsr	fdigit
	stab	<MA+1
	bsr	fdigit
	stab	<MA+2
	bsr	fdigit
	stab	<MA+3
	ldd	<RR
	bne	5$
	ldd	<RR+2
	beq	9$
5$:	ldaa	<MA+3
	oraa	#1
	staa	<MA+3
	jmp	pack
8$:	ldd	#255		; x / 0: the largest value
	std	<EA
9$:	jmp	pack

; One digit q of R / b into B (R < 256 b); R becomes (R - q b) << 8.
fdigit:
	ldd	<RR
	ldx	<BW
	idiv
	xgdx
	tsta
	beq	1$
	ldab	#255
1$:	stab	<QD
	ldaa	<MB+2		; M = q b
	mul
	std	<MM+2
	ldaa	<QD
	ldab	<MB
	mul
	std	<MM
	ldaa	<QD
	ldab	<MB+1
	mul
	addd	<MM+1
	std	<MM+1
	bcc	2$
	inc	MM
2$:	ldd	<RR+2		; R -= M
	subd	<MM+2
	std	<RR+2
	ldd	<RR
	sbcb	<MM+1
	sbca	<MM
	std	<RR
	bcc	4$
3$:	dec	QD		; too large: b added back
	ldd	<RR+2
	addd	<MB+1
	std	<RR+2
	ldd	<RR
	adcb	<MB
	adca	#0
	std	<RR
	bcc	3$
4$:	ldd	<RR+1		; R < b: one byte to the left
	std	<RR
	ldaa	<RR+3
	staa	<RR+2
	clr	RR+3
	ldab	<QD
	rts

; int a (2 bytes at A) to a float.
ref_itof:
	ldaa	<OA
	anda	#$80
	staa	<SA
	ldd	<OA
	bpl	1$
	coma
	comb
	addd	#1
1$:	ldx	#142
	tsta
	bne	3$
	tstb
	beq	5$
	tba
	clrb
	ldx	#134
	bra	3$
2$:	lsld
	dex
3$:	tsta
	bpl	2$
	stx	<EA
	std	<MA
	clr	MA+2
	clr	MA+3
	jmp	pack
5$:	clra
	std	<RS
	std	<RS+2
	rts

; long a to a float, rounded.
ref_ltof:
	clr	SA
	ldd	<OA
	std	<MA
	ldd	<OA+2
	std	<MA+2
	tst	MA
	bpl	1$
	ldaa	#$80
	staa	<SA
	ldd	#0
	subd	<MA+2
	std	<MA+2
	ldd	#0
	sbcb	<MA+1
	sbca	<MA
	std	<MA
1$:	ldx	#158
	ldd	<MA
	bne	3$
	ldd	<MA+2
	beq	5$
	std	<MA
	clr	MA+2
	clr	MA+3
	ldx	#142
	bra	3$
2$:	lsl	MA+3
	rol	MA+2
	rol	MA+1
	rol	MA
	dex
3$:	tst	MA
	bpl	2$
	stx	<EA
	jmp	pack
5$:	std	<RS
	std	<RS+2
	rts

; float a to an int, truncated, limited to the range.
ref_ftoi:
	ldd	<OA
	lsld
	cmpa	#127
	blo	3$
	cmpa	#142
	bhs	4$
	nega
	adda	#142
	staa	<CT
	ldaa	<OA+1
	oraa	#$80
	ldab	<OA+2
1$:	lsrd
	dec	CT
	bne	1$
	tst	OA
	bpl	2$
	coma
	comb
	addd	#1
2$:	std	<RS
	rts
3$:	clra
	clrb
	std	<RS
	rts
4$:	ldd	#$7FFF
	tst	OA
	bpl	2$
	ldd	#$8000
	bra	2$

; float a to a long, truncated, limited to the range.
ref_ftol:
	ldd	<OA
	lsld
	cmpa	#127
	blo	5$
	cmpa	#158
	bhs	6$
	clr	RS
	ldab	<OA+1
	orab	#$80
	stab	<RS+1
	ldab	<OA+2
	stab	<RS+2
	ldab	<OA+3
	stab	<RS+3
	suba	#150
	bhs	2$
	nega
1$:	lsr	RS
	ror	RS+1
	ror	RS+2
	ror	RS+3
	deca
	bne	1$
	bra	3$
2$:	tsta
	beq	3$
7$:	lsl	RS+3
	rol	RS+2
	rol	RS+1
	rol	RS
	deca
	bne	7$
3$:	tst	OA
	bpl	4$
	ldd	#0
	subd	<RS+2
	std	<RS+2
	ldd	#0
	sbcb	<RS+1
	sbca	<RS
	std	<RS
4$:	rts
5$:	clra
	clrb
	std	<RS
	std	<RS+2
	rts
6$:	ldd	#$7FFF
	ldx	#$FFFF
	tst	OA
	bpl	8$
	ldd	#$8000
	ldx	#0
8$:	std	<RS
	stx	<RS+2
	rts

	end
