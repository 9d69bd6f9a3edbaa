; EEPROM writes. In the simulator EEPROM is plain memory, so each routine
; stores its bytes; every register outside its effects is kept.
;	c_eewrc		the byte at Y = B
;	c_eewrw		the word at Y = D
;	c_eewrl		the long at Y = the long register
;	c_eewrd		the double at Y = the double pushed just before
;			the call (at SP+3 in the routine)
;	c_eewbfb	dc.b mask: the byte at Y = (old & ~mask) | (B & mask)
;	c_eewbfd	dc.w mask: the same for the word at Y and D
;	c_eewbfx	dc.w descriptor: c_bfput into EEPROM
;	c_eewstr	dc.w n: copies n bytes from the address in D to Y
	xdef	c_eewrc, c_eewrw, c_eewrl, c_eewrd
	xdef	c_eewbfb, c_eewbfd, c_eewbfx, c_eewstr
	xref	c_bfput, c_movstw

	switch	.text
c_eewrc:
	stab	0,y
	rts

c_eewrw:
	std	0,y
	rts

c_eewrl:
	std	2,y
	pshb
	psha
	ldd	2,x
	std	0,y
	pula
	pulb
	rts

c_eewrd:
	pshx
	pshb
	psha
	tsx			; A, B, X, the return address, the double at 6
	ldd	6,x
	std	0,y
	ldd	8,x
	std	2,y
	ldd	10,x
	std	4,y
	ldd	12,x
	std	6,y
	pula
	pulb
	pulx
	rts

; new = old ^ ((old ^ value) & mask)
c_eewbfb:
	pshx
	pshb
	psha
	tsx			; A, B, X, the return address at 4
	ldaa	0,y
	eora	1,x
	ldx	4,x
	anda	0,x
	eora	0,y
	staa	0,y
	inx
	xgdx
	tsx
	std	4,x		; return past the mask
	pula
	pulb
	pulx
	rts

c_eewbfd:
	pshx
	pshb
	psha
	tsx
	ldd	0,y
	eora	0,x
	eorb	1,x
	ldx	4,x
	anda	0,x
	andb	1,x
	eora	0,y
	eorb	1,y
	std	0,y
	inx
	inx
	xgdx
	tsx
	std	4,x
	ins
	ins
	pulx
	rts

c_eewbfx:
	jmp	c_bfput

c_eewstr:
	jmp	c_movstw

	end
