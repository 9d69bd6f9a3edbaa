; Stack moves too long to write inline, with the byte count after the call:
;	c_msps	dc.b n		releases n bytes (5..255)
;	c_mspl	dc.w n		releases n bytes (256 and more)
;	c_mspo	dc.w m		moves SP by m-2 (allocates, m-2 below -10)
; SP after the call = SP before it + n (or + m-2); D and X are kept.
;
; The routines only ever write above SP: a release writes the return
; address at its new place (above the old stack) before SP moves up to it;
; an allocation moves SP down first and then copies what it keeps.
	xdef	c_msps, c_mspl, c_mspo

	switch	.text
; With S = SP before the call, T = S+n: A, B pushed at S-3, S-2, the
; return address at S-1; it moves to T-1 and SP to T-2.
c_msps:
	pshb
	psha
	tsy			; Y = S-3
	ldd	2,y		; the return address
	xgdy			; Y at n, D = S-3
	addb	0,y
	adca	#0		; D = T-3
	iny			; return past the count
	xgdy			; Y = T-3
	std	2,y
	pula
	pulb
	iny
	iny
	tys			; SP = T-2
	rts

c_mspl:
	pshb
	psha
	tsy
	ldd	2,y
	xgdy
	addd	0,y
	iny
	iny
	xgdy
	std	2,y
	pula
	pulb
	iny
	iny
	tys
	rts

; With T = S+m-2 the new SP: A, B, X and the return address (plus 2) are
; copied from S-5..S to T-5..T, and pulled from there.
c_mspo:
	pshx
	pshb
	psha
	tsx			; X = S-5: A, B, X, return address
	ldy	4,x		; Y at m
	ldd	4,x
	addd	#2
	std	4,x		; return past the word
	xgdx			; D = S-5
	addd	0,y
	subd	#2		; D = T-5
	xgdy			; Y = T-5
	tsx			; X = S-5
	tys			; SP = T-6: below both blocks
	ldd	4,x
	std	4,y
	ldd	2,x
	std	2,y
	ldd	0,x
	std	0,y
	pula
	pulb
	pulx
	rts

	end
