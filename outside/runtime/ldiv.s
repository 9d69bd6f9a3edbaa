; Long division and remainder.
;	c_ludv, c_ludva		the long register /= the long at Y, unsigned
;	c_lumd, c_lumda		%=, unsigned
;	c_ldiv, c_ldiva		/=, signed
;	c_lmod, c_lmoda		%=, signed
;	c_lgudv, c_lgudva ...	the long at Y op= the long register (g forms
;	c_lgdiv, c_lgdiva ...	of all four); D and Y kept
; Signed quotients truncate toward 0 and remainders take the dividend's
; sign. A divisor of 0 gives the quotient 0 (signed) or all ones
; (unsigned) and the dividend as remainder; -2^31 / -1 is -2^31.
;
; The two unsigned routines do the work. The signed ones hand them the
; magnitudes (the dividend negated in the long register, the divisor
; negated into a copy on the stack) and negate the result; the g forms
; copy the long register onto the stack as the divisor and run the
; routine with X = Y - 2, so that its long register is the long at Y.
;
; Unsigned, N the dividend (N high in 2,x, N low in D) and V the divisor:
; - V below 2^16 (v): when N is too, one idiv. Else idiv gives
;   N high = qh * v + r1, fdiv r1 * 2^16 = qa * v + ra, and idiv
;   (ra + N low) / v; when that sum carries, it is 2^16 + s, and
;   2^16 = qc * v + rc by fdiv, so the rest is (rc + s) / v < 2.
; - V of 17 bits or more: 0 when N's high word is below V's; else the
;   quotient has 16 bits at most, 8 when V has 25 or more, and takes as
;   many shift-and-subtract steps (wide).
	xdef	c_ldiv, c_ldiva, c_lmod, c_lmoda
	xdef	c_ludv, c_ludva, c_lumd, c_lumda
	xdef	c_lgdiv, c_lgdiva, c_lgmod, c_lgmoda
	xdef	c_lgudv, c_lgudva, c_lgumd, c_lgumda

; Runs \1 with the magnitude of the negative long at Y as its divisor (a
; copy on the stack) and the long register as it is.
bymag:	macro
	pshb
	psha
	ldd	#0
	subd	2,y
	pshb
	psha
	ldd	#0
	sbcb	1,y
	sbca	0,y
	pshb
	psha
	tsy
	ldd	4,y
	jsr	\1
	puly
	puly
	puly
	endm

; The g form of \1: the long at Y op= the long register; D, X, Y kept.
gform:	macro
	pshy
	pshx
	pshb
	psha
	ldd	2,x
	pshb
	psha			; V = the long register
	xgdy
	subd	#2
	xgdx			; X = Y - 2
	tsy
	ldd	4,x		; the long at Y, low word
	jsr	\1
	std	4,x
	pulx
	pula
	pulb
	pulx
	puly
	rts
	endm

	switch	.text
c_ludv:
c_ludva:
	pshx
	pshb
	psha			; the stack: N low, X
	ldd	0,y
	bne	udwide
	ldd	2,x
	bne	1$
	ldx	2,y		; N and V below 2^16 (the high word stays 0)
	beq	udzero
	pula
	pulb
	idiv
	xgdx
	pulx
	rts
1$:	ldx	2,y
	beq	udzero
	pshx
	tsy			; 0,y v, 2,y N low, 4,y X
	idiv			; N high = qh * v + r1
	pshx			; qh, below the frame
	ldx	0,y
	fdiv			; r1 * 2^16 = qa * v + ra
	addd	2,y
	bcs	3$
	stx	2,y
	ldx	0,y
	idiv
	xgdx
	addd	2,y		; the low word: qa + (ra + N low) / v
2$:	puly			; the high word: qh
	pulx
	pulx
	pulx
	sty	2,x
	rts
3$:	stx	2,y		; ra + N low = 2^16 + s
	pshb
	psha
	tsy			; 0,y s, 2,y qh, 4,y v, 6,y qa, 8,y X
	ldd	#1
	ldx	4,y
	fdiv			; 2^16 = qc * v + rc (v > 1: r1 was not 0)
	addd	0,y		; rc + s < 2v, and below 2^16
	cpd	4,y
	blo	4$
	inx
4$:	xgdx
	addd	6,y		; the low word: qa + qc (+ 1)
	puly
	bra	2$

udzero:	pulx			; x / 0: all ones
	pulx
	ldd	#$FFFF
	std	2,x
	rts

; V of 17 bits or more (D = V high).
udwide:	cpd	2,x
	bhi	1$		; N < V (with equal high words the steps find it)
	pshx
	pshx
	bsr	wide
	pulx
	pulx
	pula
	pulb			; the quotient
	pulx
	ldy	#0
	sty	2,x
	rts
1$:	pulx			; N < V: 0
	pulx
	clra
	clrb
	std	2,x
	rts

c_lumd:
c_lumda:
	pshx
	pshb
	psha			; the stack: N low, X
	ldd	0,y
	bne	umwide
	ldd	2,x
	bne	1$
	ldx	2,y		; N and V below 2^16 (the high word stays 0)
	beq	umless
	pula
	pulb
	idiv
	pulx
	rts
1$:	ldx	2,y
	beq	umless
	pshx
	tsy			; 0,y v, 2,y N low, 4,y X
	idiv			; D = r1
	ldx	0,y
	fdiv			; D = ra
	addd	2,y
	bcs	3$
	ldx	0,y
	idiv
2$:	pulx
	pulx
	pulx
	ldy	#0
	sty	2,x
	rts
3$:	std	2,y		; ra + N low = 2^16 + s
	ldd	#1
	ldx	0,y
	fdiv			; D = rc
	addd	2,y		; rc + s < 2v, and below 2^16
	cpd	0,y
	blo	2$
	subd	0,y
	bra	2$

umless:	pula			; N < V or V = 0: N
	pulb
	pulx
	rts

; V of 17 bits or more (D = V high).
umwide:	cpd	2,x
	bhi	umless		; N < V (with equal high words the steps find it)
	pshx
	pshx
	bsr	wide
	puly
	pula
	pulb			; the remainder
	pulx
	pulx
	sty	2,x
	rts

; N / V for V of 17 bits or more and N's high word not below V's. On
; entry X is the caller's (N high at 2,x), Y points at V, and the stack
; holds the return address, 4 free bytes, N low and the caller's X. The
; frame (X = SP+1):
;	0..1	the return address
;	2..3	scratch
;	4	the step count
;	5..7	the low end of the partial remainder R, then T: the dividend
;		bits still to shift in, which make way for the quotient bits
;		(complemented); R 1 byte and T 2 when V is below 2^24, else
;		R 2 bytes and T 1
;	8..9	the caller's X
; D holds the high end of R. Each step shifts T, R and D one bit to the
; left, the last quotient bit coming in from C, and subtracts V when it
; fits, which leaves C clear, else C is set. At the end the remainder is
; at 2..5 and the quotient at 6..7.
wide:	ldd	2,x		; n0:n1
	tsx
	stab	5,x
	tab
	tst	0,y
	bne	wide8
	ldaa	#16		; R = 0:n0 (D), n1; T = n2:n3
	staa	4,x
	clra
w16:	rol	7,x		; R is C:D:5,x (25 bits)
	rol	6,x
	rol	5,x
	rolb
	rola
	bcs	2$		; R >= 2^24 > V
	cpd	1,y
	blo	3$		; R < V (C set)
	bne	2$
	ldaa	5,x
	cmpa	3,y
	ldd	1,y		; (C kept)
	blo	3$
2$:	std	2,x		; R -= V (C clear after)
	ldab	5,x
	subb	3,y
	stab	5,x
	ldd	2,x
	sbcb	2,y
	sbca	1,y
	clc
3$:	dec	4,x
	bne	w16
	rol	7,x		; the last bit
	rol	6,x
	std	3,x		; the remainder 0:D:5,x
	clr	2,x
	ldd	6,x
	coma
	comb
	std	6,x
	rts

wide8:	ldaa	#8		; R = 0:n0 (D), n1:n2; T = n3
	staa	4,x
	clra
w8:	rol	7,x		; R is D:5,x:6,x (never above N: no carry)
	rol	6,x
	rol	5,x
	rolb
	rola
	cpd	0,y
	blo	3$		; R < V (C set)
	bne	2$
	ldd	5,x
	cpd	2,y
	ldd	0,y		; (C kept)
	blo	3$
2$:	std	2,x		; R -= V (C clear after)
	ldd	5,x
	subd	2,y
	std	5,x
	ldd	2,x
	sbcb	1,y
	sbca	0,y		; (C clear)
3$:	dec	4,x
	bne	w8
	rol	7,x		; the last bit
	std	2,x		; the remainder D:5,x:6,x
	ldd	5,x
	std	4,x
	ldab	7,x
	comb
	clra
	std	6,x
	rts

; The long register = -itself; X and Y kept.
lneg:	com	2,x
	com	3,x
	coma
	comb
	addd	#1
	bcc	1$
	inc	3,x
	bne	1$
	inc	2,x
1$:	rts

c_ldiv:
c_ldiva:
	tst	0,y
	bmi	3$
	tst	2,x
	bmi	2$
	jsr	c_ludv		; N >= 0, V >= 0
	tst	2,x
	bmi	1$		; x / 0 gave all ones
	rts
1$:	clra			; x / 0 is 0
	clrb
	std	2,x
	rts
2$:	bsr	lneg		; N < 0 <= V
	jsr	c_ludv
	ldy	2,x
	iny
	beq	1$		; x / 0 gave all ones
	bra	lneg
3$:	tst	2,x
	bpl	4$
	bsr	lneg		; N < 0, V < 0
	bymag	c_ludv
	rts
4$:	bymag	c_ludv		; N >= 0 > V
	bra	lneg

c_lmod:
c_lmoda:
	tst	0,y
	bmi	2$
	tst	2,x
	bmi	1$
	jmp	c_lumd		; N >= 0, V >= 0
1$:	bsr	lneg		; N < 0 <= V
	jsr	c_lumd
	bra	lneg
2$:	tst	2,x
	bmi	3$
	bymag	c_lumd		; N >= 0 > V
	rts
3$:	bsr	lneg		; N < 0, V < 0
	bymag	c_lumd
	bra	lneg

c_lgudv:
c_lgudva:
	gform	c_ludv
c_lgumd:
c_lgumda:
	gform	c_lumd
c_lgdiv:
c_lgdiva:
	gform	c_ldiv
c_lgmod:
c_lgmoda:
	gform	c_lmod

	end
