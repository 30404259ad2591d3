# mixed
min x0 + 2*x1 - x2
x0 + x1 >= 2;
-x0 + x2 <= -1
x1 - x2 = 1/3
0.5*x0 >= 1e-3
end
ignored
