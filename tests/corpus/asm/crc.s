; CRC-16/CCITT of "123456789" (see crc.c), bit by bit; reports the CRC
; after each of the first four bytes, then the whole.
	xdef	_main
	xref	vy_report, _vy_count

.const:	section
text:	dc.b	"123456789"

	switch	.bss
crc:	ds.b	2
i:	ds.b	1
k:	ds.b	1

	switch	.text
_main:
	ldd	#$FFFF
	std	crc
	clr	i
byte:
	ldx	#text
	ldab	i
	abx
	ldaa	0,x		; crc ^= byte << 8
	eora	crc
	staa	crc
	ldab	#8
	stab	k
bit:
	ldd	crc
	lsld			; C is the bit shifted out
	bcc	nopoly
	eora	#$10
	eorb	#$21
nopoly:
	std	crc
	dec	k
	bne	bit
	ldab	i
	cmpb	#4
	bhs	next
	ldx	#0
	ldd	crc
	jsr	vy_report
next:
	inc	i
	ldab	i
	cmpb	#9
	blo	byte
	ldx	#0
	ldd	crc
	jsr	vy_report
	ldd	_vy_count
	rts

	end
