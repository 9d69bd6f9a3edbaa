; twice.c, as the compiler builds it, with its debug tree:
;   int result;
;   int twice(int n) { int r; r = n + n; return r; }
;   int main(void) { result = twice(21); return 0; }
	xdef	__stext, _main, _twice, _result
	switch	.text
	org	$8000
__stext:	lds	#$7FFF
	jsr	_main
_exit:	bra	_exit
_twice:
	.dstart	"t.c~twice:2-3"
	pshx
	pshb
	psha
	tsx
	xgdx
	subd	#2
	xgdx
	txs
	.dentry	"t.c~twice:-2.6"
	.dline	"t.c:5"
	ldd	2,x
	addd	2,x
	std	0,x
	.dline	"t.c:6"
	ldd	0,x
	.dline	"t.c:7"
	.dquit	"t.c~twice:0"
	xgdy
	xgdx
	addd	#4
	xgdx
	txs
	xgdy
	pulx
	rts
	.dendfn	"t.c:7-7"
_main:
	.dstart	"t.c~main:9-10"
	pshx
	tsx
	.dentry	"t.c~main:-0.2"
	.dline	"t.c:11"
	ldd	#21
	jsr	_twice
	std	_result
	.dline	"t.c:12"
	ldd	#0
	.dline	"t.c:13"
	.dquit	"t.c~main:0"
	pulx
	rts
	.dendfn	"t.c:13-13"
	switch	.bss
	org	$0100
_result:	ds.b	2
	switch	.debug
	.dfile	"t.c"
file:	dc.l	fname,ftwice
fname:	dc.b	"t.c",0,$8C
	.dtable	"t.c~twice"
ftwice:	dc.l	fmain,file,ntwice,2,7
	dc.b	24,0,0,0
	dc.l	0,vtwice,rtwice
ntwice:	dc.b	"twice",0,6
vtwice:	dc.l	nn,0
	dc.b	24,0,0,0
	dc.l	0,nr,2
	dc.b	24,0,0,0
	dc.l	0,0,0,0,0
nn:	dc.b	"n",0,7
nr:	dc.b	"r",0,3
rtwice:	dc.l	0,0
	.dtable	"t.c~main"
fmain:	dc.l	fscope,file,nmain,9,13
	dc.b	24,0,0,0
	dc.l	0,0,rmain
nmain:	dc.b	"main",0,6
rmain:	dc.l	0,0
fscope:	dc.l	0,file,0,1,13
	dc.b	0,0,0,0
	dc.l	0,vglob,0
vglob:	dc.l	nres,$100
	dc.b	24,0,0,0
	dc.l	0,0,0,0,0
nres:	dc.b	"result",0,6
	end
