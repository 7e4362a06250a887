# Sourced by the benchmark scripts.
# mratio A B: the median of the per-round ratios of two lists of times.
mratio() {
  awk -v a="$1" -v b="$2" 'BEGIN{n=split(a,x," "); split(b,y," "); m=0;
    for(i=1;i<=n;i++) if (x[i]>0 && y[i]>0) r[++m]=x[i]/y[i];
    if (m==0) {print "-"; exit}
    for(i=1;i<=m;i++) for(j=i+1;j<=m;j++) if (r[j]<r[i]) {t=r[i]; r[i]=r[j]; r[j]=t}
    printf "%.2f", (m%2 ? r[(m+1)/2] : (r[m/2]+r[m/2+1])/2)}'
}
