var x 0 2
var y 0 2
lt x y
