max x0 + x1
2*x0 + 2*x1 <= 3
int x0
int x1
