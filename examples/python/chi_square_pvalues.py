#!/usr/bin/env python3
"""Chi-square p-values for many points, chunked over a Dask cluster.

Each point is a chi-square statistic with its degrees of freedom; its
upper-tail p-value is Q(k/2, x/2), varnel.gammaincc. The arrays are Dask
arrays, so varnel.gammaincc builds a lazy graph (NumPy's ufunc protocol) and
the cluster's workers evaluate it chunk by chunk, each worker on all of its
cores. Only the summary comes back to this process.

    python3 chi_square_pvalues.py                       # 10^8 points, local cluster
    python3 chi_square_pvalues.py --points 1e6          # smaller
    python3 chi_square_pvalues.py --scheduler tcp://10.1.2.3:8786   # a real cluster

With --scheduler the script connects to a running scheduler (started with
`dask scheduler` on one machine and `dask worker tcp://10.1.2.3:8786` on
each of the others); every worker needs NumPy and varnel installed.
Without it the script starts a cluster of two worker processes on this
machine.
"""

import argparse
import time

import dask.array as da
import numpy as np
from dask.distributed import Client, LocalCluster

import varnel


def p_value_summary(points, chunk, seed=1):
    """Builds the lazy computation: fraction of p-values below 0.05 and 0.001,
    and the smallest p-value."""
    state = da.random.RandomState(seed)
    dof = state.randint(1, 30, size=points, chunks=chunk)
    # Statistics drawn from the chi-square distribution itself, so that about
    # 5 % of the p-values fall below 0.05.
    stat = state.chisquare(dof, chunks=chunk)
    p = varnel.gammaincc(dof / 2, stat / 2)
    return (p < 0.05).mean(), (p < 0.001).mean(), p.min()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--points", type=float, default=1e8, help="number of points (1e8)")
    parser.add_argument("--chunk", type=float, default=5e6, help="points per chunk (5e6)")
    parser.add_argument("--scheduler", help="address of a running scheduler, tcp://host:port")
    parser.add_argument("--workers", type=int, default=2, help="local worker processes (2)")
    args = parser.parse_args()
    points, chunk = int(args.points), int(min(args.chunk, args.points))

    if args.scheduler:
        client = Client(args.scheduler)
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1,
                               host="127.0.0.1", dashboard_address=None)
        client = Client(cluster)
    with client:
        start = time.perf_counter()
        below_5, below_01, smallest = da.compute(*p_value_summary(points, chunk))
        seconds = time.perf_counter() - start
        workers = len(client.scheduler_info()["workers"])
    print(f"{points:,} chi-square p-values on {workers} workers in {seconds:.2f} s")
    print(f"  p < 0.05:  {below_5:.5f}  (expected 0.05)")
    print(f"  p < 0.001: {below_01:.6f}  (expected 0.001)")
    print(f"  smallest p-value: {smallest:.3e}")
    assert abs(below_5 - 0.05) < 0.05 and np.isfinite(smallest)


if __name__ == "__main__":
    main()
