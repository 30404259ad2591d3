NAME          FIXED
ROWS
 N  COST
 L  LIM 1
COLUMNS
    X ONE     COST            1.5   LIM 1              2
RHS
              LIM 1              4
BOUNDS
 UP BND       X ONE              3
ENDATA
