# send more money
var S 0 9
var E 0 9
var N 0 9
var D 0 9
var M 1 1
var O 0 9
var R 0 9
var Y 0 9
alldifferent S E N D M O R Y
linear 1000 S 91 E -90 N 1 D -9000 M -900 O 10 R -1 Y 0 eq
