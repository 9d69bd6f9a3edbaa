; Products of 16-bit values into 32 bits (see mul.c), each from four 8-bit
; multiplications (mul: D = A * B):
;   p = hi*hi << 16 + (hi*lo + lo*hi) << 8 + lo*lo
	xdef	_main
	xref	vy_report, _vy_count

.const:	section
factors:
	dc.w	0, 1, 255, 256, 1000, $7FFF, $8000, $FFFF

	switch	.bss
u:	ds.b	2		; the operands
v:	ds.b	2
p:	ds.b	4		; the product
i:	ds.b	1
j:	ds.b	1

	switch	.text
_main:
	clr	i
outer:
	ldab	i
	stab	j
inner:
	ldab	i		; u = factors[i], v = factors[j]
	lslb
	ldx	#factors
	abx
	ldd	0,x
	std	u
	ldab	j
	lslb
	ldx	#factors
	abx
	ldd	0,x
	std	v
	bsr	multiply
	ldx	p
	ldd	p+2
	jsr	vy_report
	inc	j
	ldab	j
	cmpb	#8
	blo	inner
	inc	i
	ldab	i
	cmpb	#8
	blo	outer
	ldd	_vy_count
	rts

; p = u * v
multiply:
	ldaa	u+1		; lo * lo
	ldab	v+1
	mul
	std	p+2
	ldaa	u		; hi * hi
	ldab	v
	mul
	std	p
	ldaa	u		; hi(u) * lo(v) into the middle
	ldab	v+1
	mul
	addd	p+1
	std	p+1
	ldaa	p
	adca	#0
	staa	p
	ldaa	u+1		; lo(u) * hi(v) into the middle
	ldab	v
	mul
	addd	p+1
	std	p+1
	ldaa	p
	adca	#0
	staa	p
	rts

	end
