NAME demo
OBJSENSE
    MAX
ROWS
 N  obj
 L  lim
 G  low
 E  bal
COLUMNS
    MARKER  'MARKER'  'INTORG'
    a  obj  1  lim  2
    MARKER  'MARKER'  'INTEND'
    b  obj  0.1  low  1
    b  bal  1
RHS
    rhs  lim  10  low  1
    rhs  bal  4  obj  2.5
RANGES
    rng  lim  4  bal  -2
BOUNDS
 UP bnd a 8
 MI bnd b
 BV bnd c
 LI bnd a 1
 FR bnd b
 FX bnd a 1.5e1
ENDATA
