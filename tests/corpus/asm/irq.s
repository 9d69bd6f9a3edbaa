;! irq 0x8 0x8 0x8
; Interrupts raised by the simulator (see irq.c): the runner raises IRQ
; (mask 0x8, vector 0xFFF2) at each of three arrivals at vy_irq_point; the
; handler reports each time, and the interrupted loop keeps its values.
	xdef	_main, _vy_irq_point
	xref	vy_report, _vy_count

	switch	.bss
count:	ds.b	2
i:	ds.b	1

	switch	.text
_main:
	ldd	#handler
	std	$FFF2
	clr	count
	clr	count+1
	cli
	ldy	#0		; the sum stays in Y across the interrupts
	clr	i
loop:
	ldaa	i		; acc += i * 7 + 1
	ldab	#7
	mul
	addd	#1
	pshy
	tsx
	addd	0,x
	puly
	xgdy
	jsr	_vy_irq_point
	inc	i
	ldaa	i
	cmpa	#3
	blo	loop
	xgdy
	ldx	#0
	jsr	vy_report
	ldx	#0
	ldd	count
	jsr	vy_report
	ldd	_vy_count
	rts

_vy_irq_point:
	rts

handler:
	ldd	count
	addd	#5
	std	count
	ldx	#0
	jsr	vy_report
	rti

	end
