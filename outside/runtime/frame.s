; Entry routines: they build the linked frame of a function whose locals
; (and temporaries) take L = N - 2 bytes, N being the dc.b (c_ents, c_kenst,
; c_kents, c_kenls) or dc.w (c_entl, c_kenlt, c_kentl, c_kenll) after the
; call. On entry SP_e is SP as the function got it, and R is the size of
; the register argument (0, 1 in B, 2 in D, 4 in the long register: high
; word at the caller's 2,x, low word in D). Afterwards, with F = SP_e-1-R:
;
;	SP_e-1 .. SP_e	the caller's X
;	F .. F+R-1	the register argument
;	F-L .. F-1	the locals
;	X = F-N		the link word, holding SP_e-2 (lds 0,x; pulx; rts
;			leaves the function); SP = X-1
;
; Each routine pushes the caller's X and the register argument, pushes the
; link value for a moment (into bytes that become locals) and ends in a
; common tail with D = F and Y = the return address.
	xdef	c_ents, c_entl, c_kenst, c_kenlt
	xdef	c_kents, c_kentl, c_kenls, c_kenll

	switch	.text
c_ents:
	puly			; the inline count
	pshx
	tsx			; X = F
	dex			; the link value F-1
	pshx
	inx
	xgdx			; D = F
	bra	ent_b

c_entl:
	puly
	pshx
	tsx
	dex
	pshx
	inx
	xgdx
	bra	ent_w

c_kenst:
	puly
	pshx
	pshb			; the argument at F
	tsx			; X = F, also the link value
	pshx
	xgdx
	bra	ent_b

c_kenlt:
	puly
	pshx
	pshb
	tsx
	pshx
	xgdx
	bra	ent_w

c_kents:
	puly
	pshx
	pshb
	psha			; the argument at F..F+1
	tsx			; X = F
	inx			; the link value F+1
	pshx
	dex
	xgdx
	bra	ent_b

c_kentl:
	puly
	pshx
	pshb
	psha
	tsx
	inx
	pshx
	dex
	xgdx
	bra	ent_w

c_kenls:
	puly
	pshx
	pshb			; low word at F+2..F+3
	psha
	ldd	2,x		; high word from the caller's long register
	pshb
	psha			; at F..F+1
	tsx			; X = F
	xgdx
	addd	#3		; the link value F+3
	pshb
	psha
	subd	#3		; D = F
	bra	ent_b

c_kenll:
	puly
	pshx
	pshb
	psha
	ldd	2,x
	pshb
	psha
	tsx
	xgdx
	addd	#3
	pshb
	psha
	subd	#3
	bra	ent_w

; The tails: D = F, the link value on the stack, Y at the inline count.
ent_b:
	subb	0,y
	sbca	#0		; D = F-N
	xgdx			; X = the link word's address
	pula
	pulb			; the link value
	txs			; SP = X-1
	std	0,x
	jmp	1,y

ent_w:
	subd	0,y
	xgdx
	pula
	pulb
	txs
	std	0,x
	jmp	2,y

	end
