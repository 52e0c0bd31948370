#!/bin/bash
# One task of a Slurm job array renders its share of a dataset plan:
#
#   sbatch --array=0-(N-1) scripts/slurm/tavrik-array.sh PLAN DIR [batch options]
#
# Every task reads the same plan, builds the same task list and renders the
# sequences whose index is its own modulo N (tavrik-cli takes K and N from
# SLURM_ARRAY_TASK_ID, SLURM_ARRAY_TASK_MIN and SLURM_ARRAY_TASK_COUNT). A
# task that dies leaves nothing that looks finished; submitting the array
# again renders only what is missing. TAVRIK_CLI names the program when it
# is not on PATH.
#SBATCH --job-name=tavrik
#SBATCH --cpus-per-task=2
#SBATCH --output=tavrik-%A_%a.out
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: sbatch --array=0-(N-1) $0 PLAN DIR [batch options]" >&2
    exit 2
fi
plan=$1
dir=$2
shift 2
exec "${TAVRIK_CLI:-tavrik-cli}" batch "$plan" --out "$dir" --jobs "${SLURM_CPUS_PER_TASK:-1}" --quiet "$@"
