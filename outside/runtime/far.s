; Far calls. A far function is called with the page of its descriptor
; (dc.w page, address) selected; its return selects the caller's page again.
; The simulated machine has no page register: the selection is the word
; c_wpage (its low byte for processors of type k).
;
; The far-call context, newest first through c_wctx (which holds the
; context's address minus 1): the link to the previous context, the page
; selected before the call, and the caller's return address.
;	type c:	link (2), page (2), return (2)	6 bytes
;	type k:	link (2), page (1), return (2)	5 bytes
;
;	c_wsavc, c_wsavk	reserve the context on the stack (SP goes down
;				by 6 or 5) and link it
;	c_wssvc, c_wssvk	the same for a context at Y (a function without
;				a stack); Y kept
;	c_wcalc, c_wcalk	call the function of the descriptor at Y with D
;	c_wcslc, c_wcslk	as the caller set it; it returns to wretc/wretk,
;				which restore the page, unlink the context and
;				return to the caller with D and the long register
	xdef	c_wsavc, c_wsavk, c_wssvc, c_wssvk
	xdef	c_wcalc, c_wcalk, c_wcslc, c_wcslk, c_wctx, c_wpage

	switch	.bss
c_wctx:	ds.b	2
c_wpage: ds.b	2

	switch	.text
c_wsavc:
	puly
	des			; the return address comes here at the call
	des
	ldd	c_wpage
	pshb
	psha
	ldd	c_wctx
	pshb
	psha
	sts	c_wctx
	jmp	0,y

c_wsavk:
	puly
	des
	des
	ldab	c_wpage+1
	pshb
	ldd	c_wctx
	pshb
	psha
	sts	c_wctx
	jmp	0,y

c_wssvc:
	ldd	c_wctx
	std	0,y
	ldd	c_wpage
	std	2,y
	dey
	sty	c_wctx
	iny
	rts

c_wssvk:
	ldd	c_wctx
	std	0,y
	ldab	c_wpage+1
	stab	2,y
	dey
	sty	c_wctx
	iny
	rts

c_wcalc:
c_wcslc:
	pshb
	psha
	pshx
	tsx			; X, D, the return address at 4
	ldd	4,x
	ldx	c_wctx
	std	5,x		; into the context
	ldd	0,y
	std	c_wpage		; the callee's page
	tsx
	ldd	#wretc
	std	4,x
	ldy	2,y
	pulx
	pula
	pulb
	jmp	0,y

wretc:
	pshb
	psha
	ldy	c_wctx
	ldd	3,y
	std	c_wpage
	ldd	1,y
	std	c_wctx
	ldy	5,y
	pula
	pulb
	jmp	0,y

c_wcalk:
c_wcslk:
	pshb
	psha
	pshx
	tsx
	ldd	4,x
	ldx	c_wctx
	std	4,x
	ldab	1,y
	stab	c_wpage+1
	tsx
	ldd	#wretk
	std	4,x
	ldy	2,y
	pulx
	pula
	pulb
	jmp	0,y

wretk:
	pshb
	psha
	ldy	c_wctx
	ldab	3,y
	stab	c_wpage+1
	ldd	1,y
	std	c_wctx
	ldy	4,y
	pula
	pulb
	jmp	0,y

	end
