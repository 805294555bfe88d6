local g, s, t = 1.0, 0.0, 0.0
for i = 1, 2000000 do
  g = (g + 2.0 / g) * 0.5
  t = i + 0.0
  s = s * 0.5 + g + t / t
end
print(string.format("%.6g", s))
