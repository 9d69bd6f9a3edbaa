; The Fibonacci numbers (see fib.c): the first 25 in 16 bits, reported one
; by one, then the 47th in 32 bits.
	xdef	_main
	xref	vy_report, _vy_count

	switch	.bss
fa:	ds.b	2
fb:	ds.b	2
fx:	ds.b	4
fy:	ds.b	4
n:	ds.b	1

	switch	.text
_main:
	ldd	#0
	std	fa
	ldd	#1
	std	fb
	ldab	#25
	stab	n
small:
	ldx	#0
	ldd	fa
	jsr	vy_report
	ldd	fa		; a, b = b, a + b
	addd	fb
	ldx	fb
	stx	fa
	std	fb
	dec	n
	bne	small

	ldd	#0
	std	fx
	std	fx+2
	std	fy
	ldd	#1
	std	fy+2
	ldab	#47
	stab	n
large:
	ldd	fx+2		; t = x + y, low word then high word with the carry
	addd	fy+2
	pshb
	psha
	ldd	fx
	adcb	fy+1
	adca	fy
	ldx	fy		; x = y
	stx	fx
	ldx	fy+2
	stx	fx+2
	std	fy		; y = t
	pula
	pulb
	std	fy+2
	dec	n
	bne	large
	ldx	fx
	ldd	fx+2
	jsr	vy_report
	ldd	_vy_count
	rts

	end
