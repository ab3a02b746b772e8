-- seed-version: 1
-- The generic grades of the common plastics families that every material database holds.
--
-- Raise the version above whenever the grades change: on opening the default database, ktpm
-- replaces the seed grades it holds when this file's version is higher (the user's own grades
-- are never touched). The script fills staging tables named like the database's own tables
-- ("databases", "materials", "material_keywords"); ktpm merges them into the database in one
-- transaction, matching grades by database type, supplier and grade, so that the ids given here
-- only tie keywords to their grade. It may write nothing but those tables and its own temporary
-- ones. Temperatures are in degrees Celsius and come from public generic processing data for
-- each family: the recommended melt and mould temperatures with their lower and upper limits.
-- Fibre lengths are in millimetres; shrinkage data give the shrinkage parallel and normal to the
-- flow, in percent.

INSERT INTO databases (id, type, description) VALUES
  (1, 'THERMOPLASTIC', 'Thermoplastic grades'),
  (2, 'THERMOSET', 'Thermoset moulding compounds'),
  (3, 'USER', 'User materials');

INSERT INTO materials (id, database_id, supplier, grade, manufacturer, trade_name, family, filler)
VALUES
  ( 1, 1, 'Generic', 'PP Homopolymer MFI 12', 'Generic Materials', 'Generic PP-H 12', 'PP', ''),
  ( 2, 1, 'Generic', 'PP Homopolymer MFI 35', 'Generic Materials', 'Generic PP-H 35', 'PP', ''),
  ( 3, 1, 'Generic', 'PP Impact Copolymer', 'Generic Materials', 'Generic PP-C', 'PP', ''),
  ( 4, 1, 'Generic', 'PP 20% Talc', 'Generic Materials', 'Generic PP-T20', 'PP', 'Talc 20%'),
  ( 5, 1, 'Generic', 'PP 30% Glass Fibre', 'Generic Materials', 'Generic PP-GF30', 'PP',
    'Glass fibre 30%'),
  ( 6, 1, 'Generic', 'ABS General Purpose', 'Generic Materials', 'Generic ABS', 'ABS', ''),
  ( 7, 1, 'Generic', 'ABS High Impact', 'Generic Materials', 'Generic ABS-HI', 'ABS', ''),
  ( 8, 1, 'Generic', 'ABS High Heat', 'Generic Materials', 'Generic ABS-HH', 'ABS', ''),
  ( 9, 1, 'Generic', 'PC General Purpose', 'Generic Materials', 'Generic PC', 'PC', ''),
  (10, 1, 'Generic', 'PC High Flow', 'Generic Materials', 'Generic PC-HF', 'PC', ''),
  (11, 1, 'Generic', 'PC 10% Glass Fibre', 'Generic Materials', 'Generic PC-GF10', 'PC',
    'Glass fibre 10%'),
  (12, 1, 'Generic', 'PC/ABS General Purpose', 'Generic Materials', 'Generic PC/ABS', 'PC/ABS',
    ''),
  (13, 1, 'Generic', 'PC/ABS Flame Retardant', 'Generic Materials', 'Generic PC/ABS-FR',
    'PC/ABS', ''),
  (14, 1, 'Generic', 'PA6 Unfilled', 'Generic Materials', 'Generic PA6', 'PA6', ''),
  (15, 1, 'Generic', 'PA6 30% Glass Fibre', 'Generic Materials', 'Generic PA6-GF30', 'PA6',
    'Glass fibre 30%'),
  (16, 1, 'Generic', 'PA66 Unfilled', 'Generic Materials', 'Generic PA66', 'PA66', ''),
  (17, 1, 'Generic', 'PA66 15% Glass Fibre', 'Generic Materials', 'Generic PA66-GF15', 'PA66',
    'Glass fibre 15%'),
  (18, 1, 'Generic', 'PA66 30% Glass Fibre', 'Generic Materials', 'Generic PA66-GF30', 'PA66',
    'Glass fibre 30%'),
  (19, 1, 'Generic', 'PA66 50% Glass Fibre', 'Generic Materials', 'Generic PA66-GF50', 'PA66',
    'Glass fibre 50%'),
  (20, 1, 'Generic', 'POM Homopolymer', 'Generic Materials', 'Generic POM-H', 'POM', ''),
  (21, 1, 'Generic', 'POM Copolymer', 'Generic Materials', 'Generic POM-C', 'POM', ''),
  (22, 1, 'Generic', 'PBT Unfilled', 'Generic Materials', 'Generic PBT', 'PBT', ''),
  (23, 1, 'Generic', 'PBT 30% Glass Fibre', 'Generic Materials', 'Generic PBT-GF30', 'PBT',
    'Glass fibre 30%'),
  (24, 1, 'Generic', 'PS General Purpose', 'Generic Materials', 'Generic GPPS', 'PS', ''),
  (25, 1, 'Generic', 'PS High Impact', 'Generic Materials', 'Generic HIPS', 'PS', ''),
  (26, 1, 'Generic', 'HDPE Injection MFI 8', 'Generic Materials', 'Generic HDPE 8', 'HDPE', ''),
  (27, 1, 'Generic', 'HDPE High Flow', 'Generic Materials', 'Generic HDPE-HF', 'HDPE', ''),
  (28, 1, 'Generic', 'LDPE General Purpose', 'Generic Materials', 'Generic LDPE', 'LDPE', ''),
  (29, 1, 'Generic', 'PMMA General Purpose', 'Generic Materials', 'Generic PMMA', 'PMMA', ''),
  (30, 1, 'Generic', 'PMMA High Heat', 'Generic Materials', 'Generic PMMA-HH', 'PMMA', ''),
  (31, 1, 'Generic', 'PPS Unfilled', 'Generic Materials', 'Generic PPS', 'PPS', ''),
  (32, 1, 'Generic', 'PPS 40% Glass Fibre', 'Generic Materials', 'Generic PPS-GF40', 'PPS',
    'Glass fibre 40%'),
  (33, 2, 'Generic', 'EP Moulding Compound', 'Generic Materials', 'Generic EP-MC', 'EP',
    'Silica'),
  (34, 2, 'Generic', 'EP Encapsulation Compound', 'Generic Materials', 'Generic EP-EC', 'EP',
    'Silica'),
  (35, 2, 'Generic', 'PF General Purpose', 'Generic Materials', 'Generic PF', 'PF',
    'Wood flour'),
  (36, 2, 'Generic', 'PF 30% Glass Fibre', 'Generic Materials', 'Generic PF-GF30', 'PF',
    'Glass fibre 30%');

-- Recommended temperatures: melt minimum, default, maximum; mould minimum, default, maximum.
CREATE TEMP TABLE seed_temperatures (
  material INTEGER, melt_min, melt_default, melt_max, mold_min, mold_default, mold_max);
INSERT INTO seed_temperatures VALUES
  ( 1, 200, 230, 280,  20,  40,  80),
  ( 2, 200, 220, 260,  20,  40,  80),
  ( 3, 200, 230, 280,  20,  40,  80),
  ( 4, 200, 230, 280,  20,  45,  80),
  ( 5, 210, 240, 290,  30,  50,  80),
  ( 6, 200, 230, 280,  40,  60,  80),
  ( 7, 210, 240, 280,  40,  60,  80),
  ( 8, 230, 250, 280,  50,  70,  90),
  ( 9, 280, 300, 320,  70,  90, 110),
  (10, 270, 290, 310,  70,  85, 100),
  (11, 290, 305, 320,  80,  95, 110),
  (12, 240, 260, 280,  50,  70,  90),
  (13, 230, 250, 270,  50,  70,  90),
  (14, 240, 260, 290,  50,  80,  90),
  (15, 260, 280, 300,  60,  85, 120),
  (16, 270, 285, 300,  60,  80, 100),
  (17, 275, 290, 305,  70,  85, 110),
  (18, 280, 295, 310,  70,  90, 120),
  (19, 285, 300, 315,  80, 100, 120),
  (20, 200, 215, 230,  60,  90, 120),
  (21, 180, 205, 230,  60,  90, 120),
  (22, 240, 250, 270,  40,  60,  80),
  (23, 240, 260, 275,  60,  80, 100),
  (24, 180, 220, 260,  20,  40,  60),
  (25, 190, 230, 260,  20,  40,  70),
  (26, 200, 230, 280,  20,  40,  60),
  (27, 190, 220, 260,  20,  35,  60),
  (28, 180, 220, 240,  20,  40,  60),
  (29, 220, 240, 260,  50,  70,  90),
  (30, 230, 250, 270,  60,  80,  95),
  (31, 290, 310, 330, 120, 135, 150),
  (32, 300, 320, 340, 130, 140, 150),
  (33,  70,  85, 100, 160, 175, 190),
  (34,  70,  90, 100, 165, 175, 185),
  (35,  80,  95, 110, 160, 170, 190),
  (36,  85, 100, 115, 165, 175, 190);

INSERT INTO material_keywords (material_id, position, keyword, value)
  SELECT material, 1, 'MATERIAL_RECOMMENDED_MELT_TEMPERATURE_DEFAULT', melt_default
    FROM seed_temperatures
  UNION ALL SELECT material, 2, 'MATERIAL_RECOMMENDED_MELT_TEMPERATURE_MINIMUM', melt_min
    FROM seed_temperatures
  UNION ALL SELECT material, 3, 'MATERIAL_RECOMMENDED_MELT_TEMPERATURE_MAXIMUM', melt_max
    FROM seed_temperatures
  UNION ALL SELECT material, 4, 'MATERIAL_RECOMMENDED_MOLD_TEMPERATURE_DEFAULT', mold_default
    FROM seed_temperatures
  UNION ALL SELECT material, 5, 'MATERIAL_RECOMMENDED_MOLD_TEMPERATURE_MINIMUM', mold_min
    FROM seed_temperatures
  UNION ALL SELECT material, 6, 'MATERIAL_RECOMMENDED_MOLD_TEMPERATURE_MAXIMUM', mold_max
    FROM seed_temperatures;

-- Average length of the fibres in the moulded part, for the fibre-filled grades.
INSERT INTO material_keywords (material_id, position, keyword, value) VALUES
  ( 5, 7, 'MATERIAL_AVERAGE_FIBER_LENGTH', '0.4'),
  (11, 7, 'MATERIAL_AVERAGE_FIBER_LENGTH', '0.35'),
  (15, 7, 'MATERIAL_AVERAGE_FIBER_LENGTH', '0.3'),
  (17, 7, 'MATERIAL_AVERAGE_FIBER_LENGTH', '0.3'),
  (18, 7, 'MATERIAL_AVERAGE_FIBER_LENGTH', '0.3'),
  (19, 7, 'MATERIAL_AVERAGE_FIBER_LENGTH', '0.25'),
  (23, 7, 'MATERIAL_AVERAGE_FIBER_LENGTH', '0.3'),
  (32, 7, 'MATERIAL_AVERAGE_FIBER_LENGTH', '0.3'),
  (36, 7, 'MATERIAL_AVERAGE_FIBER_LENGTH', '0.5');

-- Measured shrinkage, parallel and normal to the flow, for the grades that have it.
INSERT INTO material_keywords (material_id, position, keyword, value) VALUES
  ( 1, 8, 'MATERIAL_SHRINKAGE_DATA', '1.5 1.7'),
  ( 6, 8, 'MATERIAL_SHRINKAGE_DATA', '0.5 0.6'),
  (15, 8, 'MATERIAL_SHRINKAGE_DATA', '0.3 0.9'),
  (18, 8, 'MATERIAL_SHRINKAGE_DATA', '0.3 1.0'),
  (21, 8, 'MATERIAL_SHRINKAGE_DATA', '1.9 2.0'),
  (23, 8, 'MATERIAL_SHRINKAGE_DATA', '0.4 1.1'),
  (32, 8, 'MATERIAL_SHRINKAGE_DATA', '0.2 0.6');

DROP TABLE seed_temperatures;
