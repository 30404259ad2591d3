NAME A
ROWS
 N obj
 L c1
 G c2
 E c3
COLUMNS
 x obj 1 c1 2
 x c3 1
 y obj -3 c1	1
 y c3 1
 MARKER 'MARKER' 'INTORG'
 z obj 2 c2 1.3
 z c1 -1
 MARKER 'MARKER' 'INTEND'
RHS
 rhs c2 1e100
BOUNDS
 UP bnd x 2
 MI 2bnd y
 UP bnd y 9
ENDATA
