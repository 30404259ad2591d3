NAME A
ROWS
 N obj
 L c1
 G c2
 E c3
COLUMNS
 x obj 1 c1 2
 x c2 1
 y obj -3 c1 1
 y c3 1
 MARKER 'MARKER' 'INTORG'
 z obj 2 c2 1.5
 z c3 -1
 MARKER 'MARKER' 'INTEND'
RHS
 rhs c1 10 c2 1
 rhs c3 0.5
RANGES
 rng c1 4
BOUNDS
 UP bnd x 4
 MI bnd y
 UP bnd y 7
 LI bnd z -2
 UI bnd z 9
ENDATA
