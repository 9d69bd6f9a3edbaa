; frames.c as the code generator builds it: X is the frame register, the
; first argument arrives in D and is pushed below the saved X, the frame
; pointer is X + OFST = the entry SP - 1 - R. The debug tree is appended by
; the test from its description.
	xdef	__stext, __halt, _main, _walk, _probe, _total, _exit
	switch	.text
	org	$8000
__stext:
	lds	#$7FFF
	jsr	_main
_exit:
__halt:	bra	__halt

; void probe(int id): R = 2, no locals: pshx; pshd; tsx / pulx; pulx; rts
_probe:
	.dstart	"frames.c~probe:17-18"
	pshx
	pshb
	psha
	tsx
	.dentry	"frames.c~probe:-0.4"
	.dline	"frames.c:19"
	.dquit	"frames.c~probe:0"
	pulx
	pulx
	rts
	.dendfn	"frames.c:19-19"

; int walk(int n, char c, struct pair *up): R = 2, L = 27, OFST 27
;   here 0,x  ip 9,x  d 11,x  f 19,x  sq 23,x  n 27,x  c 34,x  up 35,x
_walk:
	.dstart	"frames.c~walk:22-23"
	pshx
	pshb
	psha
	tsx
	xgdx
	subd	#27
	xgdx
	txs
	.dentry	"frames.c~walk:-27.31"
	.dline	"frames.c:30"
	ldd	27,x
	lsld
	lsld
	addd	#_bigs
	xgdy
	ldd	0,y
	std	23,x
	ldd	2,y
	std	25,x
	.dline	"frames.c:31"
	ldd	27,x
	lsld
	lsld
	addd	#_halves
	xgdy
	ldd	0,y
	std	19,x
	ldd	2,y
	std	21,x
	.dline	"frames.c:32"
	ldd	27,x
	lsld
	lsld
	lsld
	addd	#_thirds
	xgdy
	ldd	0,y
	std	11,x
	ldd	2,y
	std	13,x
	ldd	4,y
	std	15,x
	ldd	6,y
	std	17,x
	.dline	"frames.c:33"
	ldy	35,x
	ldd	0,y
	addd	27,x
	std	0,x
	.dline	"frames.c:34"
	ldab	34,x
	stab	2,x
	.dline	"frames.c:35"
	ldd	23,x
	std	3,x
	ldd	25,x
	std	5,x
	.dline	"frames.c:36"
	ldab	8,x
	andb	#$F8
	stab	8,x
	ldab	28,x
	andb	#7
	orab	8,x
	stab	8,x
	.dline	"frames.c:37"
	ldaa	8,x
	anda	#7
	staa	8,x
	ldab	34,x
	andb	#31
	lslb
	lslb
	lslb
	orab	8,x
	stab	8,x
	.dline	"frames.c:38"
	stx	9,x
	.dline	"frames.c:39"
	ldd	#1
	jsr	_probe
	.dline	"frames.c:40"
	ldd	27,x
	ble	walk42
	.dline	"frames.c:41"
	pshx
	ldab	34,x
	incb
	clra
	pshb
	psha
	ldd	27,x
	subd	#1
	jsr	_walk
	ins
	ins
	ins
	ins
	ldy	9,x
	addd	0,y
	std	0,y
walk42:
	.dline	"frames.c:42"
	ldy	9,x
	ldd	0,y
	addd	_total+2
	std	_total+2
	ldd	_total
	adcb	#0
	adca	#0
	tst	0,y
	bpl	walkpos
	subd	#1
walkpos:
	std	_total
	.dline	"frames.c:43"
	ldd	#2
	jsr	_probe
	.dline	"frames.c:44"
	ldd	0,x
	.dline	"frames.c:45"
	.dquit	"frames.c~walk:0"
	xgdy
	xgdx
	addd	#29
	xgdx
	txs
	xgdy
	pulx
	rts
	.dendfn	"frames.c:45-45"

; int main(void): R = 0, L = 9, OFST 9; top 0,x
_main:
	.dstart	"frames.c~main:47-48"
	pshx
	tsx
	xgdx
	subd	#9
	xgdx
	txs
	.dentry	"frames.c~main:-9.11"
	.dline	"frames.c:51"
	ldd	#$FFFF
	std	0,x
	.dline	"frames.c:52"
	ldab	#122
	stab	2,x
	.dline	"frames.c:53"
	ldd	#$FFFE
	std	3,x
	ldd	#$7960
	std	5,x
	.dline	"frames.c:54"
	ldab	8,x
	andb	#$F8
	orab	#7
	stab	8,x
	.dline	"frames.c:55"
	ldab	8,x
	andb	#7
	orab	#$88
	stab	8,x
	.dline	"frames.c:56"
	ldd	#0
	std	_total
	std	_total+2
	.dline	"frames.c:57"
	pshx
	ldd	#65
	pshb
	psha
	ldd	#3
	jsr	_walk
	ins
	ins
	ins
	ins
	.dline	"frames.c:58"
	ldd	#3
	jsr	_probe
	.dline	"frames.c:59"
	ldd	#0
	.dline	"frames.c:60"
	.dquit	"frames.c~main:0"
	xgdy
	xgdx
	addd	#9
	xgdx
	txs
	xgdy
	pulx
	rts
	.dendfn	"frames.c:60-60"

	org	$9000
_halves:	dc.b	$3E,$80,$00,$00, $3F,$00,$00,$00, $BF,$C0,$00,$00, $40,$40,$00,$00
_thirds:	dc.b	$3F,$B9,$99,$99,$99,$99,$99,$9A, $3F,$D5,$55,$55,$55,$55,$55,$55
	dc.b	$C2,$17,$48,$76,$E8,$00,$00,$00, $44,$DF,$DE,$9F,$10,$A8,$D3,$61
_bigs:	dc.b	$00,$01,$11,$70, $FF,$FE,$EE,$8F, $07,$5B,$CD,$15, $88,$CA,$6C,$00

	switch	.bss
	org	$0100
_total:	ds.b	4
