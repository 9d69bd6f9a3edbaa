; The long register of the functions that have no stack: its high word is
; this word of the runtime (such a function runs with X = c_lreg-2, so the
; word is 2,x as in every other function).
	xdef	c_lreg

	switch	.bss
c_lreg:	ds.b	2

	end
