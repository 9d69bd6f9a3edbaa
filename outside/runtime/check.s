; c_check: the stack check at the head of every function compiled with
; ccgen -ck. Y = -(L+10), L the function's locals; with S the SP of the
; call, the function may take S+Y .. S. When that reaches below __memory
; (the end of the program's data, from the link command file) the program
; stops at c_stkerr; otherwise A, B and X are kept.
	xdef	c_check, c_stkerr
	xref	__memory

	switch	.text
c_check:
	pshb
	psha
	pshy			; SP = S-6
	tsy			; Y = S-5
	xgdy			; D = S-5
	tsy
	addd	0,y		; D = S-5+Y, no carry when below 0
	bcc	c_stkerr
	cpd	#__memory-5
	blo	c_stkerr
	puly
	pula
	pulb
	rts

; The program ends here when its stack is exhausted.
c_stkerr:
	stop
	bra	c_stkerr

	end
