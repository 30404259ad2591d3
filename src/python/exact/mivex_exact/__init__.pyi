# Type stubs of mivex_exact: exact LP and MILP with certificates.
import os
from fractions import Fraction
from typing import Any, Dict, List, Optional, Union

class CheckError(AssertionError): ...

class Model:
    @property
    def name(self) -> str: ...
    @property
    def maximize(self) -> bool: ...
    @property
    def column_names(self) -> List[str]: ...
    @property
    def row_names(self) -> List[str]: ...
    @property
    def integer_columns(self) -> List[str]: ...
    def exact(self) -> Dict[str, Any]: ...

class Result:
    model: Model
    status: str
    objective: Optional[Fraction]
    bound: Optional[Fraction]
    nodes: int
    message: str
    x: Optional[Dict[str, Fraction]]
    duals: Optional[Dict[str, Fraction]]
    reduced_costs: Optional[Dict[str, Fraction]]
    farkas: Optional[Dict[str, Fraction]]
    ray: Optional[Dict[str, Fraction]]
    x_list: Optional[List[Fraction]]
    duals_list: Optional[List[Fraction]]
    reduced_costs_list: Optional[List[Fraction]]
    farkas_list: Optional[List[Fraction]]
    ray_list: Optional[List[Fraction]]
    def check(self) -> None: ...

class LinprogResult(Dict[str, Any]):
    x: Optional[List[Fraction]]
    fun: Optional[Fraction]
    status: int
    message: str
    success: bool
    nit: int
    slack: Optional[List[Fraction]]
    con: Optional[List[Fraction]]
    ineqlin: Optional[Dict[str, List[Fraction]]]
    eqlin: Optional[Dict[str, List[Fraction]]]
    exact_status: str
    reduced_costs: Optional[List[Fraction]]
    farkas_ub: Optional[List[Fraction]]
    farkas_eq: Optional[List[Fraction]]
    ray: Optional[List[Fraction]]
    bound: Optional[Fraction]
    result: Result
    def check(self) -> None: ...

def read_mps(path_or_text: Union[str, bytes, os.PathLike[str]]) -> Model: ...
def read_lp_text(text: str) -> Model: ...
def solve(model: Model, *, node_limit: Optional[int] = ..., time_limit: Optional[float] = ...) -> Result: ...
def linprog(
    c: Any,
    A_ub: Any = ...,
    b_ub: Any = ...,
    A_eq: Any = ...,
    b_eq: Any = ...,
    bounds: Any = ...,
    integrality: Any = ...,
    *,
    node_limit: Optional[int] = ...,
    time_limit: Optional[float] = ...,
) -> LinprogResult: ...
