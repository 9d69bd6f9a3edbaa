; The target half of the report interface for the hand-written programs
; of this folder, as the C harness lays it out: vy_results holds the
; reported values, most significant byte first, and vy_count counts them
; (also past the end of the buffer, which stays untouched there).
;
; vy_report: reports the 32-bit value whose high word is in X and low
; word in D. Keeps X and Y; changes D and the flags.

VY_MAX_RESULTS:	equ	400

	xdef	_vy_results, _vy_count, vy_report

	switch	.bss
_vy_results:
	ds.b	4*VY_MAX_RESULTS
_vy_count:
	ds.b	2

	switch	.text
vy_report:
	pshy
	pshb			; the low word waits on the stack
	psha
	ldd	_vy_count
	cpd	#VY_MAX_RESULTS
	bhs	full
	lsld			; four bytes a slot
	lsld
	addd	#_vy_results
	xgdy
	stx	0,y
	pula
	pulb
	std	2,y
	bra	counted
full:
	pula
	pulb
counted:
	ldy	_vy_count
	iny
	sty	_vy_count
	puly
	rts

	end
