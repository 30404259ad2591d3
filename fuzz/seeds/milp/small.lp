min 2*x0 + 3*x1 + x2
x0 + x1 + x2 >= 2.5
x0 - x1 <= 0.5
x2 <= 1
int x0
int x1
int x2
