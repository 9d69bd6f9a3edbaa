; Moves of doubles.
;	c_dtod	the double at Y = the double at D; D and Y kept
;	c_dtos	pushes the double at Y: SP goes down by 8, the double at
;		SP+1 .. SP+8; Y kept
	xdef	c_dtod, c_dtos

	switch	.text
c_dtod:
	pshx
	xgdx
	ldd	0,x
	std	0,y
	ldd	2,x
	std	2,y
	ldd	4,x
	std	4,y
	ldd	6,x
	std	6,y
	xgdx
	pulx
	rts

; With S the SP of the call: X is pushed, 8 bytes more reserved, and X,
; the return address and the double laid out from S-11 for the pulx and
; rts at the end.
c_dtos:
	pshx
	pshx
	pshx
	pshx
	pshx			; SP = S-12
	tsx			; X = S-11; the saved X at 8, the return at 10
	ldd	10,x
	std	2,x
	ldd	8,x
	std	0,x
	ldd	0,y
	std	4,x
	ldd	2,y
	std	6,x
	ldd	4,y
	std	8,x
	ldd	6,y
	std	10,x
	pulx
	rts

	end
