var a 0 5
var b 0 5
var c -3 3
neq a b
le a c 2
linear 2 a -3 b 1 c 4 le
eq b c
allDiff a b c
