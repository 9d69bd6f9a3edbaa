; Double multiplication (dcore.s has the rules of the format).
;	c_dmul, c_dmula		the double at Y *= the double at D; every
;				register kept
; With the right mantissa shifted 3 bits up, the 14-byte product of the
; mantissas holds the result's mantissa and guard byte in its top 8 bytes;
; the rest sticks in the guard byte's lowest bit. The product is summed
; row by row: a byte of the left mantissa times the right one.
	include	"double.h11"
	xdef	c_dmul, c_dmula
	xref	c__dop

	switch	.text
c_dmul:
c_dmula:
	pshy
	pshb
	psha
	clrb
	ldy	#core
	jmp	c__dop

; One byte of a row: P[i+j+1] += a_i * b_j + the carry, with Y = X + i,
; a_i at D_T+1 and the carry at D_T.
mac:	macro
	ldaa	D_T+1,x
	ldab	D_BM+\1,x
	mul
	addb	D_T,x
	adca	#0
	addb	D_P+\1+1,y
	adca	#0
	stab	D_P+\1+1,y
	staa	D_T,x
	endm

core:
	ldaa	D_RS,x
	eora	D_BS,x
	staa	D_RS,x
	ldd	D_RE,x
	beq	zero
	ldd	D_BE,x
	beq	zero
	addd	D_RE,x
	subd	#1022
	std	D_RE,x
	ldab	#3		; the right mantissa 3 bits up
1$:	lsl	D_BM+6,x
	rol	D_BM+5,x
	rol	D_BM+4,x
	rol	D_BM+3,x
	rol	D_BM+2,x
	rol	D_BM+1,x
	rol	D_BM,x
	decb
	bne	1$
	clra
	std	D_P+6,x		; P[6..13] = 0
	std	D_P+8,x
	std	D_P+10,x
	std	D_P+12,x
	ldaa	#7
	staa	D_P+14,x	; the rows to go
	pshx
	puly
	ldab	#6
	aby			; Y = X + i, i = 6 first
2$:	ldaa	D_RM,y
	staa	D_T+1,x
	clr	D_T,x
	mac	6
	mac	5
	mac	4
	mac	3
	mac	2
	mac	1
	mac	0
	ldaa	D_T,x
	staa	D_P,y
	dey
	dec	D_P+14,x
	bne	2$
	ldaa	D_P,x		; below 2.0: one bit left, one less in the exponent
	cmpa	#$10
	bhs	3$
	lsl	D_P+8,x
	rol	D_P+7,x
	rol	D_P+6,x
	rol	D_P+5,x
	rol	D_P+4,x
	rol	D_P+3,x
	rol	D_P+2,x
	rol	D_P+1,x
	rol	D_P,x
	ldd	D_RE,x
	subd	#1
	std	D_RE,x
3$:	ldd	D_P,x
	std	D_RM,x
	ldd	D_P+2,x
	std	D_RM+2,x
	ldd	D_P+4,x
	std	D_RM+4,x
	ldd	D_P+6,x
	std	D_RM+6,x
	ldd	D_P+8,x		; sticky
	bne	4$
	ldd	D_P+10,x
	bne	4$
	ldd	D_P+12,x
	beq	5$
4$:	bset	D_RM+7,x,#1
5$:	rts

zero:	clra
	clrb
	std	D_RE,x
	std	D_RM,x
	rts

	end
